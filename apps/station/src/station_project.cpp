#include "station_project.hpp"

#include "plx71/job/job_actions.hpp"
#include "plx71/project/project_actions.hpp"
#include "plx71/qtui/paths.hpp"
#include "plx71/text/utf8_path.hpp"

#include <QFileInfo>

namespace plx71::station {

std::shared_ptr<const ProjectJob> openStationProject(Ui& ui, const DeviceTable& table, const QString& path)
{
    auto p = std::make_shared<ProjectJob>();
    p->path = QFileInfo(path).absoluteFilePath();
    p->state.deviceTable = table;
    const std::string pathText = utf8FromPath(qtui::toPath(p->path));
    const FileFact projectFact = fileFact("project", pathText);
    if (!openProject(ui, p->state, p->job, qtui::toPath(p->path)))
        return nullptr;
    if (p->state.deviceIndex < 0) {
        ui.message(Icon::Stop, pathText + ": no device type selected; nothing can be sent. Choose one in PLX71RD.");
        return nullptr;
    }
    if (!canDownload(p->state, p->job)) {
        ui.message(Icon::Stop, pathText + ": no User ROM data loaded; nothing can be sent. Load it in PLX71RD.");
        return nullptr;
    }
    p->box = boxJobOf(p->state, p->job);
    p->facts = jobFactsOf("download", p->box);
    p->facts.files.push_back(projectFact);
    if (!p->job.userRomFileName.empty())
        p->facts.files.push_back(fileFact("userRom", p->job.userRomFileName));
    if (!p->job.bootRomFileName.empty())
        p->facts.files.push_back(fileFact("bootRom", p->job.bootRomFileName));
    return p;
}

namespace {

QString lockBitsText(const JobSettings& job)
{
    switch (job.lockBitMode) {
    case LockBitMode::NoChange:
        return QStringLiteral("No change");
    case LockBitMode::AllLock:
        return QStringLiteral("All lock");
    case LockBitMode::AllNoLock:
        return QStringLiteral("All no lock");
    case LockBitMode::Block:
        return QStringLiteral("Block ") + QString::fromStdString(job.lockBlockList);
    }
    return {};
}

} // namespace

JobHeader headerOf(const ProjectJob& project)
{
    JobHeader h;
    h.fileName = QFileInfo(project.path).fileName();
    h.device = QString::fromStdString(project.facts.device);
    const auto orDash = [](const std::string& s) {
        return s.empty() ? QStringLiteral("-") : QString::fromStdString(s);
    };
    h.userRomChecksum = orDash(project.facts.userRomChecksum);
    h.bootRomChecksum = orDash(project.facts.bootRomChecksum);
    QStringList shas;
    for (const FileFact& f : project.facts.files) {
        if ((f.role == "userRom" || f.role == "bootRom") && f.sha256.size() >= 12)
            shas << QString::fromStdString(f.sha256.substr(0, 12));
    }
    h.dataSha = shas.isEmpty() ? QStringLiteral("-") : shas.join(QStringLiteral(" / "));
    h.blocks = project.job.operationBlockMode == OperationBlockMode::All
        ? QStringLiteral("All")
        : QString::fromStdString(project.job.operationBlockList);
    h.lockBits = lockBitsText(project.job);
    return h;
}

} // namespace plx71::station
