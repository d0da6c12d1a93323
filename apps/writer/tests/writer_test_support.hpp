#pragma once
// A writer session for tests: a small device table, recorded messages and
// scripted file dialogs.
#include "writer_session.hpp"

#include "plx71/datafile/data_file_writer.hpp"
#include "plx71/devices/device_table.hpp"
#include "plx71/testing/recording_ui.hpp"

#include <QDir>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>

#include <deque>

namespace plx71::test {

inline constexpr const char* kTableText = "// test table\n"
                                          "M30624FGFP,FE000,2000,C0000,40000,6,5.0V,5.0V\n"
                                          "M30620FCFP,FE000,2000,E0000,20000,4,3.3V,12V\n"
                                          "M30600ONE,FE000,2000,FC000,4000,0,5.0V,5.0V\n"
                                          "M30600TWO,FE000,2000,F8000,8000,1,5.0V,5.0V\n";

struct TestSession {
    RecordingUi ui;
    WriterSession session{ui};
    std::deque<QString> fileAnswers; // "" = Cancel
    std::vector<FileDialogRequest> fileRequests;

    TestSession()
    {
        session.state.deviceTable = parseDeviceTable(kTableText);
        session.choosers.chooseFile = [this](QWidget*, const FileDialogRequest& request) {
            fileRequests.push_back(request);
            if (fileAnswers.empty())
                return QString();
            QString answer = fileAnswers.front();
            fileAnswers.pop_front();
            return answer;
        };
    }
};

// An Intel HEX file of a whole area of the image given (index = address - area start).
// A blank area but for its second byte: a data file of it holds one data
// record (a file of a blank area holds none and is refused).
inline std::vector<std::uint8_t> oneByteImage(Area area)
{
    std::vector<std::uint8_t> image = blankImage(area);
    image[1] = 0x5A;
    return image;
}

inline QString writeAreaFile(const QString& path, const DeviceRecord& device, Area area,
                             const std::vector<std::uint8_t>& image)
{
    const AreaRange r = areaRange(device, area);
    SaveRequest request;
    request.data = std::span<const std::uint8_t>(image.data(), r.length());
    request.areaStart = r.start;
    request.areaEnd = r.end;
    request.family = deviceFamily(device);
    const std::string text = area == Area::UserRom ? formatIntelHex(request) : formatSRecords(request);
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        return {};
    f.write(text.data(), qint64(text.size()));
    return path;
}

} // namespace plx71::test
