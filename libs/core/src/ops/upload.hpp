#pragma once
// Upload: reads back the settings and ROM data a download stored in the box.
// BoxSession::upload runs it; these are its pieces.
#include "ops/session_upload.hpp"
#include "ops/upload_worker.hpp"
#include "ops/writer_settings_apply.hpp"
