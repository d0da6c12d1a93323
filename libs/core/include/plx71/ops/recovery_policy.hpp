#pragma once
// How hard a job works to finish on a noisy line. Off by default: the box
// then sees exactly the frames a job has always sent, and the first command
// that fails its three attempts ends the job.
namespace plx71 {

struct RecoveryPolicy {
    bool on = false;
    // Attempts per frame (sendFrame) and cycles per exchange. A page frame is
    // about 2,100 data bits: at a bit error rate of 1e-4 one attempt in five
    // is hit. Three attempts leave 7e-3 of the pages failing, six 5e-5, so
    // even the 1,056 page reads of an upload rarely need a resync. A box
    // that never answers costs six times six tries per frame (about 12 s)
    // before the job gives up.
    int frameAttempts = 6;
    // Resyncs (back to 9600 bit/s, then to the job's rate) per job. At 1e-4
    // a job needs none or one; sixteen still see a job through a burst of
    // bad pages, and bound a dead line to a few minutes.
    int maxResyncs = 16;
    // Restarts of a download from the erase. The first runs at the same
    // rate, each further one a rate lower: five reach 9600 bit/s from
    // 115200, where a line that fails even there is not worth another.
    int maxRestarts = 5;
    // Re-reads of a page that the read-back found different.
    int pageRereads = 4;

    static RecoveryPolicy enabled()
    {
        RecoveryPolicy p;
        p.on = true;
        return p;
    }
};

} // namespace plx71
