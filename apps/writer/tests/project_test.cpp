// Project > Save As and Project > Open through the form: every setting the
// form holds comes back, the data file is reloaded, the port is taken.
#include "writer_test_support.hpp"

#include "plx_view.hpp"

#include "plx71/messages/message_texts.hpp"

#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>

using namespace plx71;

namespace {

template <typename T>
T* child(QWidget* w, const char* name)
{
    T* c = w->findChild<T*>(QLatin1String(name));
    if (!c)
        qFatal("no control %s", name);
    return c;
}

void pick(QComboBox* combo, int index)
{
    combo->setCurrentIndex(index);
    emit combo->activated(index);
}

} // namespace

class ProjectTest : public QObject {
    Q_OBJECT
private slots:
    void saveRightAfterStartIsTheBareProject();
    void roundTripRestoresTheForm();
    void refusedProjectChangesNothing();
    void saveAsThatCannotWriteSaysSo();
};

void ProjectTest::saveRightAfterStartIsTheBareProject()
{
    test::TestSession t;
    QTemporaryDir dir;
    CPlxView view(t.session);
    const QString path = dir.filePath(QStringLiteral("empty.pxp"));
    t.fileAnswers = {path};
    view.onProjectSaveAs();
    QCOMPARE(t.fileRequests.back().title, QStringLiteral("PLX-71RD project file save"));
    QCOMPARE(t.fileRequests.back().filter, QStringLiteral("PLX-71RD project file (*.pxp)"));
    QCOMPARE(t.fileRequests.back().mode, FileDialogRequest::Mode::Save);
    QVERIFY(t.ui.messages().empty());
    QCOMPARE(QFileInfo(path).size(), qint64(231));
}

void ProjectTest::roundTripRestoresTheForm()
{
    QTemporaryDir dir;
    const QString project = dir.filePath(QStringLiteral("job.pxp"));
    QString userFile;
    {
        test::TestSession t;
        CPlxView view(t.session);
        pick(child<QComboBox>(&view, "deviceCombo"), 1);
        std::vector<std::uint8_t> image = blankImage(Area::UserRom);
        image[t.session.state.areaTables.idCodeAddress[0] - t.session.state.currentDevice.userRomStart] = 0xAB;
        userFile = test::writeAreaFile(dir.filePath(QStringLiteral("user.hex")), t.session.state.currentDevice,
                                       Area::UserRom, image);
        t.fileAnswers = {userFile};
        child<QPushButton>(&view, "userRomSelectButton")->click();
        child<QComboBox>(&view, "targetBaudIndex")->setCurrentIndex(3);
        child<QRadioButton>(&view, "operationBlockBlock")->setChecked(true);
        child<QLineEdit>(&view, "operationBlockList")->setText(QStringLiteral("0,2-4"));
        child<QRadioButton>(&view, "lockBitBlock")->setChecked(true);
        child<QLineEdit>(&view, "lockBlockList")->setText(QStringLiteral("1"));
        child<QLineEdit>(&view, "checkIdText")->setText(QStringLiteral("01,02,03,04,05,06,07")); // typed, unchecked
        child<QComboBox>(&view, "portSelection")->setCurrentIndex(2);
        child<QComboBox>(&view, "hostBaudSelection")->setCurrentIndex(1);
        t.fileAnswers = {project};
        view.onProjectSaveAs();
        QVERIFY(t.ui.messages().empty());
    }
    test::TestSession t;
    CPlxView view(t.session);
    t.fileAnswers = {project};
    view.onProjectOpen();
    QCOMPARE(t.fileRequests.back().title, QStringLiteral("PLX-71RD project file open"));
    QVERIFY(t.ui.messages().empty());
    QCOMPARE(child<QComboBox>(&view, "deviceCombo")->currentIndex(), 1);
    QCOMPARE(child<QLineEdit>(&view, "userRomAreaText")->text(), QStringLiteral("0E0000-0FFFFF"));
    QCOMPARE(child<QLineEdit>(&view, "userRomFileName")->text(), userFile);
    QCOMPARE(child<QLineEdit>(&view, "idCodeText")->text(), QStringLiteral("AB,FF,FF,FF,FF,FF,FF"));
    QCOMPARE(child<QLineEdit>(&view, "checkIdText")->text(), QStringLiteral("01,02,03,04,05,06,07"));
    QCOMPARE(child<QComboBox>(&view, "targetBaudIndex")->currentText(), QStringLiteral("19.2K"));
    QVERIFY(child<QRadioButton>(&view, "operationBlockBlock")->isChecked());
    QCOMPARE(child<QLineEdit>(&view, "operationBlockList")->text(), QStringLiteral("0,2-4"));
    QVERIFY(child<QRadioButton>(&view, "lockBitBlock")->isChecked());
    QCOMPARE(child<QLineEdit>(&view, "lockBlockList")->text(), QStringLiteral("1"));
    QCOMPARE(child<QComboBox>(&view, "portSelection")->currentText(), QStringLiteral("COM3"));
    QCOMPARE(child<QComboBox>(&view, "hostBaudSelection")->currentText(), QStringLiteral("19.2K"));
    QCOMPARE(t.session.boxTarget().port.comPortIndex, 2);
    QVERIFY(child<QPushButton>(&view, "downloadButton")->isEnabled());
    QVERIFY(child<QPushButton>(&view, "userRomSelectButton")->isEnabled());
    QCOMPARE(t.session.state.images
                 .user[t.session.state.areaTables.idCodeAddress[0] - t.session.state.currentDevice.userRomStart],
             std::uint8_t(0xAB));

    // The data file is gone: the other settings stay, the reader says why,
    // and nothing claims data that is not there.
    QVERIFY(QFile::remove(userFile));
    test::TestSession u;
    CPlxView second(u.session);
    u.fileAnswers = {project};
    second.onProjectOpen();
    QCOMPARE(u.ui.texts(), std::vector<std::string>{std::string(msg::kFileNotFound)});
    QCOMPARE(child<QLineEdit>(&second, "operationBlockList")->text(), QStringLiteral("0,2-4"));
    QCOMPARE(child<QComboBox>(&second, "deviceCombo")->currentIndex(), 1);
    QVERIFY(!child<QPushButton>(&second, "downloadButton")->isEnabled());
}

void ProjectTest::refusedProjectChangesNothing()
{
    test::TestSession t;
    QTemporaryDir dir;
    CPlxView view(t.session);
    pick(child<QComboBox>(&view, "deviceCombo"), 0);
    QFile f(dir.filePath(QStringLiteral("bad.pxp")));
    QVERIFY(f.open(QIODevice::WriteOnly));
    QByteArray bytes(231, '\0');
    bytes.replace(0, 32, "PLX-71RD project file Ver.B     ");
    f.write(bytes);
    f.close();
    const JobSettings before = t.session.job;
    t.fileAnswers = {f.fileName()};
    view.onProjectOpen();
    QCOMPARE(t.ui.texts(), std::vector<std::string>{std::string(msg::kFileFormatError)});
    QVERIFY(t.session.job == before);
    QCOMPARE(t.session.state.deviceIndex, 0);
    QCOMPARE(child<QComboBox>(&view, "deviceCombo")->currentIndex(), 0);

    t.fileAnswers = {QString()}; // Cancel
    view.onProjectOpen();
    QCOMPARE(t.ui.messages().size(), std::size_t(1));
}

void ProjectTest::saveAsThatCannotWriteSaysSo()
{
    test::TestSession t;
    QTemporaryDir dir;
    CPlxView view(t.session);
    const QString path = dir.filePath(QStringLiteral("missing/sub/job.pxp"));
    t.fileAnswers = {path};
    view.onProjectSaveAs();
    QCOMPARE(t.ui.messages().size(), std::size_t(1));
    QCOMPARE(t.ui.messages()[0].icon, Icon::Stop);
    QCOMPARE(t.ui.texts()[0], msg::cannotWriteFile(path.toStdString()));
    QVERIFY(!QFile::exists(path));
}

QTEST_MAIN(ProjectTest)
#include "project_test.moc"
