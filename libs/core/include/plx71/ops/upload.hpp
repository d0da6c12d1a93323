#pragma once
// Upload: reads back the settings and ROM data a download stored in the box.
// BoxSession::upload runs it; these are its pieces.
#include "plx71/ops/session_upload.hpp"
#include "plx71/ops/upload_worker.hpp"
#include "plx71/ops/writer_settings_apply.hpp"
