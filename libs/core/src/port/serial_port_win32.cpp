// The Win32 comm serial port.
#ifdef _WIN32

#include "plx71/port/serial_port.hpp"
#include "plx71/text/utf8_path.hpp"

#include <windows.h>

namespace plx71 {

namespace {

DWORD millis(std::chrono::milliseconds d)
{
    return d.count() <= 0 ? 0 : static_cast<DWORD>(d.count());
}

// Our line: the rate, 8 data bits, odd parity checked, 1 stop bit, binary,
// no DSR flow control, no null stripping. Only these fields change; the
// rest stay as the port reports them.
void setOurLine(DCB& dcb, int bitRate)
{
    dcb.BaudRate = static_cast<DWORD>(bitRate);
    dcb.ByteSize = 8;
    dcb.Parity = ODDPARITY;
    dcb.StopBits = ONESTOPBIT;
    dcb.fBinary = TRUE;
    dcb.fParity = TRUE;
    dcb.fOutxDsrFlow = FALSE;
    dcb.fNull = FALSE;
}

class Win32SerialPort : public SerialPort {
public:
    ~Win32SerialPort() override { close(); }

    bool open(const std::string& deviceName, int bitRate, const LinkTiming& timing) override
    {
        close();
        // The device namespace reaches COM10 and above too.
        std::string path = deviceName.rfind("\\\\", 0) == 0 ? deviceName : "\\\\.\\" + deviceName;
        HANDLE h = ::CreateFileW(pathFromUtf8(path).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0,
                                 nullptr);
        if (h == INVALID_HANDLE_VALUE)
            return false;
        handle_ = h;

        DCB dcb{};
        dcb.DCBlength = sizeof(dcb);
        ::GetCommState(h, &dcb);
        setOurLine(dcb, bitRate);
        ::SetCommState(h, &dcb);

        COMMTIMEOUTS to{};
        ::GetCommTimeouts(h, &to);
        to.ReadIntervalTimeout = millis(timing.readInterval);
        to.ReadTotalTimeoutMultiplier = millis(timing.readPerByte);
        to.ReadTotalTimeoutConstant = millis(timing.readConstant);
        to.WriteTotalTimeoutMultiplier = millis(timing.writePerByte);
        to.WriteTotalTimeoutConstant = millis(timing.writeConstant);
        ::SetCommTimeouts(h, &to);
        bitRate_ = bitRate;
        return true;
    }

    bool setRate(int bitRate) override
    {
        if (handle_ == INVALID_HANDLE_VALUE)
            return false;
        DCB dcb{};
        dcb.DCBlength = sizeof(dcb);
        if (!::GetCommState(handle_, &dcb))
            return false;
        // The whole line again, not the rate alone: a driver may report the
        // line other than it was set (Wine on a pseudo-terminal reports no
        // parity, as the terminal drops PARENB), and writing that back
        // would turn the parity off.
        setOurLine(dcb, bitRate);
        // The rate the port has afterwards decides, not the call's result:
        // Wine fails it on a pseudo-terminal's missing modem lines after the
        // line itself is set, and the writes would then be paced at the old
        // rate.
        ::SetCommState(handle_, &dcb);
        DCB now{};
        now.DCBlength = sizeof(now);
        if (!::GetCommState(handle_, &now) || now.BaudRate != dcb.BaudRate)
            return false;
        ::PurgeComm(handle_, PURGE_RXCLEAR | PURGE_TXCLEAR);
        bitRate_ = bitRate;
        return true;
    }

    void close() override
    {
        if (handle_ == INVALID_HANDLE_VALUE)
            return;
        ::CloseHandle(handle_);
        handle_ = INVALID_HANDLE_VALUE;
    }

    bool isOpen() const override { return handle_ != INVALID_HANDLE_VALUE; }

    void discardInput() override
    {
        if (handle_ != INVALID_HANDLE_VALUE) {
            ::PurgeComm(handle_, PURGE_RXCLEAR);
            takeCommErrors();
        }
        parityError_ = false;
    }

    bool takeParityError() override
    {
        takeCommErrors();
        const bool marked = parityError_;
        parityError_ = false;
        return marked;
    }
    bool reportsParityErrors() const override { return handle_ != INVALID_HANDLE_VALUE && !underWine(); }

    bool write(std::span<const std::uint8_t> bytes, const LinkTiming& timing) override
    {
        if (handle_ == INVALID_HANDLE_VALUE)
            return false;
        DWORD start = ::GetTickCount();
        DWORD written = 0;
        if (!::WriteFile(handle_, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr)
            || written != bytes.size())
            return false;
        // Some drivers report a write done while it still sits in their
        // buffer; the reply time-out must not start before it is out.
        if (timing.paceWrites && bitRate_ > 0) {
            DWORD lineMs = static_cast<DWORD>(
                (static_cast<unsigned long long>(bytes.size()) * 11 * 1000 + static_cast<unsigned>(bitRate_) - 1)
                / static_cast<unsigned>(bitRate_));
            DWORD spent = ::GetTickCount() - start;
            if (spent < lineMs)
                ::Sleep(lineMs - spent);
        }
        return true;
    }

    std::size_t read(std::span<std::uint8_t> buffer, const LinkTiming&) override
    {
        if (handle_ == INVALID_HANDLE_VALUE)
            return 0;
        DWORD got = 0;
        if (!::ReadFile(handle_, buffer.data(), static_cast<DWORD>(buffer.size()), &got, nullptr))
            return 0;
        return got;
    }

private:
    // The driver counts a damaged byte (fParity) until ClearCommError reads
    // and clears the count; a framing error is a damaged byte too.
    void takeCommErrors()
    {
        DWORD errors = 0;
        if (handle_ != INVALID_HANDLE_VALUE && ::ClearCommError(handle_, &errors, nullptr)
            && (errors & (CE_RXPARITY | CE_FRAME)) != 0)
            parityError_ = true;
    }

    // Wine's comm layer reports no line errors at all, whatever the line
    // underneath: a byte that came damaged is never marked there.
    static bool underWine()
    {
        const HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
        return ntdll && ::GetProcAddress(ntdll, "wine_get_version") != nullptr;
    }

    HANDLE handle_ = INVALID_HANDLE_VALUE;
    bool parityError_ = false;
    int bitRate_ = 0;
};

} // namespace

std::unique_ptr<SerialPort> makeSystemSerialPort()
{
    return std::make_unique<Win32SerialPort>();
}

} // namespace plx71

#endif
