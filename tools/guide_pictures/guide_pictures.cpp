// The user guide's pictures: the real windows of PLX71RD and Plx71Ldr, each
// taken from the screen while it is open, against a writer box on COM1
// (scripts/ci/guide_pictures.sh starts the software box and the display).
//   plx71_guide_pictures OUTPUT_DIR EXAMPLES_DIR
// Ends with exit code 1 naming every picture it could not take.
#include "about_dlg.hpp"
#include "loader_app.hpp"
#include "loader_dlg.hpp"
#include "loading_dlg.hpp"
#include "main_frame.hpp"
#include "plx_app.hpp"
#include "plx_view.hpp"
#include "rom_edit_dlg.hpp"
#include "save_file_dlg.hpp"

#include "plx71/qtui/transfer_progress_dialog.hpp"
#include "plx71/testing/modal_windows.hpp"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>

#include <cstdio>
#include <set>

using namespace plx71;

namespace {

QString outputDir;
QString examplesDir;
std::set<QString> taken;

// Lets the window lay itself out and paint before it is taken.
void settle(int ms = 300)
{
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < ms)
        QApplication::processEvents(QEventLoop::AllEvents, 20);
}

void take(QWidget* window, const char* name)
{
    settle();
    const QString file = QDir(outputDir).filePath(QString::fromLatin1(name) + QStringLiteral(".png"));
    if (window->grab().save(file))
        taken.insert(QString::fromLatin1(name));
    std::printf("%s: %s\n", name, taken.count(QString::fromLatin1(name)) ? "taken" : "FAILED");
}

QString example(const char* name)
{
    return QDir(examplesDir).filePath(QString::fromLatin1(name));
}

// The transfer dialog once its bar has gone part of the way.
void takeMidTransfer(const char* name)
{
    qtui::whenVisible<qtui::TransferProgressDialog>(
        [name](qtui::TransferProgressDialog* dialog) {
            QProgressBar* bar = dialog->progressBar();
            QElapsedTimer clock;
            clock.start();
            while (dialog->isVisible() && clock.elapsed() < 60000
                   && bar->value() - bar->minimum() < (bar->maximum() - bar->minimum()) / 3)
                QApplication::processEvents(QEventLoop::AllEvents, 20);
            if (dialog->isVisible())
                take(dialog, name);
        },
        30000);
}

// Any message box that comes up: taken once under `name`, then OK.
void answerMessage(const char* name)
{
    qtui::whenVisible<QMessageBox>([name](QMessageBox* box) {
        take(box, name);
        box->accept();
    });
}

void writerPictures()
{
    AppOptions options;
    options.instanceName = QStringLiteral("plx71_guide_pictures_writer");
    options.projectPath = example("demo_project.pxp");
    CPlxApp app(options);
    if (!app.initInstance())
        return;
    CMainFrame* frame = app.mainFrame();
    take(frame, "form");

    qtui::whenVisible<QFileDialog>([](QFileDialog* dialog) {
        take(dialog, "project-open");
        dialog->reject();
    });
    frame->openAction()->trigger();

    qtui::whenVisible<CRomEditDlg>([](CRomEditDlg* editor) {
        take(editor, "editor");
        qtui::whenVisible<CSaveFileDlg>([](CSaveFileDlg* save) {
            take(save, "data-save");
            save->reject();
        });
        if (auto* button = editor->findChild<QPushButton*>(QStringLiteral("saveButton")))
            button->click();
        editor->reject();
    });
    frame->editUserRomAction()->trigger();

    qtui::whenVisible<CAboutDlg>([](CAboutDlg* about) {
        take(about, "about");
        about->accept();
    });
    frame->aboutAction()->trigger();

    takeMidTransfer("download");
    frame->view()->onDownload();
    take(frame, "form-verified");

    answerMessage("message");
    frame->view()->openProjectFile(QDir(outputDir).filePath(QStringLiteral("not-a-project.pxp")));
    app.exitInstance();
}

void loaderPictures()
{
    LoaderAppOptions options;
    options.instanceName = QStringLiteral("plx71_guide_pictures_loader");
    options.chooseFile = [](QWidget*, const FileDialogRequest&) { return example("firmware_v131.hex"); };
    CLoaderApp app(options);
    if (!app.initInstance())
        return;
    qtui::whenVisible<CLoaderDlg>([](CLoaderDlg* dialog) {
        auto button = [dialog](const char* name) { return dialog->findChild<QPushButton*>(QString::fromLatin1(name)); };
        button("selectButton")->click();
        button("readVersionButton")->click();
        takeMidTransfer("firmware-load");
        button("downloadButton")->click();
        take(dialog, "loader");
        dialog->reject();
    });
    app.run();
    app.exitInstance();
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("plx"));
    QApplication::setOrganizationName(QStringLiteral("Orvane Labs Inc."));
    if (argc != 3) {
        std::fprintf(stderr, "usage: plx71_guide_pictures OUTPUT_DIR EXAMPLES_DIR\n");
        return 2;
    }
    outputDir = QString::fromLocal8Bit(argv[1]);
    examplesDir = QString::fromLocal8Bit(argv[2]);
    QFile junk(QDir(outputDir).filePath(QStringLiteral("not-a-project.pxp")));
    if (junk.open(QIODevice::WriteOnly))
        junk.write("not a project\n");
    junk.close();

    writerPictures();
    loaderPictures();
    junk.remove();

    int missing = 0;
    for (const char* name : {"form", "project-open", "editor", "data-save", "about", "download", "form-verified",
                             "message", "loader", "firmware-load"}) {
        if (!taken.count(QString::fromLatin1(name))) {
            std::fprintf(stderr, "picture not taken: %s\n", name);
            ++missing;
        }
    }
    return missing ? 1 : 0;
}
