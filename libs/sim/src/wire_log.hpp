#pragma once
// One line per frame or acknowledge byte seen on the line, in hex:
//   "PC> "  received from the PC      "BOX> " sent by the box
//   "PC# "  received but thrown away as a broken frame
//   "PC! "  ignored: sent at line settings the box was not at
//   "BOX! " not delivered: the PC's line settings did not match
//   "LINE " the PC's line settings, when bytes come at settings other than
//           the last ones named (rate, data bits, parity, stop bits, check)
#include <cstdio>
#include <span>
#include <string>

namespace plx71sim {

class WireLog {
public:
    ~WireLog() { close(); }
    bool open(const std::string& path, std::string& error);
    void close();
    void line(const char* prefix, std::span<const unsigned char> bytes);
    void text(const std::string& line);

private:
    std::FILE* file_ = nullptr;
};

} // namespace plx71sim
