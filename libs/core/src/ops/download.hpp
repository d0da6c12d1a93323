#pragma once
// Download and its read-back: the data phase of storing a job in the writer
// box, and the verify that proves what the box holds. BoxSession runs them;
// they are public for the session's tests.
#include "ops/download_verify.hpp"
#include "ops/download_worker.hpp"
