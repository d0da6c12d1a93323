#include "station_project.hpp"

#include "plx71/job/load_area_file.hpp"
#include "plx71/qtui/paths.hpp"
#include "plx71/text/utf8_path.hpp"

#include <QFileInfo>

namespace plx71::station {

std::shared_ptr<const ProjectJob> openStationProject(Ui& ui, const DeviceTable& table, const QString& path)
{
    const QString absolute = QFileInfo(path).absoluteFilePath();
    const std::string pathText = utf8FromPath(qtui::toPath(absolute));
    auto opened = openPreparedJob(table, pathText, "download", protectDecision(ui, ProtectedProgram::Ask));
    if (auto* refusal = std::get_if<ProjectRefusal>(&opened)) {
        if (refusal->project)
            reportProblem(ui, *refusal->project);
        for (const DataFileProblem& problem : refusal->dataFileProblems)
            reportProblem(ui, problem);
        if (refusal->unsendable)
            ui.message(Icon::Stop, unsendableText(*refusal->unsendable, pathText, Wording::Window));
        return nullptr;
    }
    auto p = std::make_shared<ProjectJob>();
    static_cast<PreparedJob&>(*p) = std::move(std::get<PreparedJob>(opened));
    p->path = absolute;
    for (const DataFileProblem& problem : p->dataFileProblems)
        reportProblem(ui, problem);
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
