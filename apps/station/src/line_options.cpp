#include "line_options.hpp"

#include "plx71/production_record/record_file.hpp"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>

namespace plx71::station {

namespace {

QLineEdit* field(const QString& name, const QString& placeholder, QWidget* parent)
{
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(name);
    edit->setPlaceholderText(placeholder);
    return edit;
}

} // namespace

LineOptions::LineOptions(std::function<QString()> chooseTokenFile, QWidget* parent)
    : QWidget(parent), chooseTokenFile_(std::move(chooseTokenFile))
{
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(0, 0, 0, 0);
    url_ = field(QStringLiteral("lineUrl"), QStringLiteral("http://HOST:7171"), this);
    url_->setAccessibleName(QStringLiteral("Line server"));
    tokenFile_ = field(QStringLiteral("lineTokenFile"), QStringLiteral("token file"), this);
    tokenFile_->setAccessibleName(QStringLiteral("Line server token file"));
    auto* choose = new QPushButton(QStringLiteral("Token..."), this);
    choose->setAccessibleName(QStringLiteral("Choose the line server's token file"));
    stationName_ = field(QStringLiteral("stationName"), QString::fromStdString(hostName()), this);
    stationName_->setAccessibleName(QStringLiteral("Station name"));
    onlyReleased_ = new QCheckBox(QStringLiteral("Only released jobs"), this);
    onlyReleased_->setObjectName(QStringLiteral("onlyReleased"));
    auto* lineLabel = new QLabel(QStringLiteral("Line server"), this);
    lineLabel->setBuddy(url_);
    auto* nameLabel = new QLabel(QStringLiteral("Station name"), this);
    nameLabel->setBuddy(stationName_);
    grid->addWidget(lineLabel, 0, 0);
    grid->addWidget(url_, 0, 1);
    grid->addWidget(tokenFile_, 0, 2);
    grid->addWidget(choose, 0, 3);
    grid->addWidget(nameLabel, 1, 0);
    grid->addWidget(stationName_, 1, 1);
    grid->addWidget(onlyReleased_, 1, 2, 1, 2);
    for (QLineEdit* edit : {url_, tokenFile_, stationName_})
        connect(edit, &QLineEdit::editingFinished, this, &LineOptions::edited);
    connect(onlyReleased_, &QCheckBox::toggled, this, &LineOptions::edited);
    connect(choose, &QPushButton::clicked, this, [this] {
        const QString path = chooseTokenFile_ ? chooseTokenFile_() : QString();
        if (path.isEmpty())
            return;
        tokenFile_->setText(path);
        emit edited();
    });
}

void LineOptions::show(const StationSettings& settings)
{
    const std::pair<QLineEdit*, QString> fields[] = {
        {url_, settings.lineUrl}, {tokenFile_, settings.lineTokenFile}, {stationName_, settings.stationName}};
    for (const auto& [edit, text] : fields) {
        const QSignalBlocker quiet(edit);
        if (edit->text() != text)
            edit->setText(text);
    }
    const QSignalBlocker quiet(onlyReleased_);
    onlyReleased_->setChecked(settings.onlyReleased);
}

StationSettings LineOptions::applied(StationSettings settings) const
{
    settings.lineUrl = url_->text().trimmed();
    settings.lineTokenFile = tokenFile_->text().trimmed();
    settings.stationName = stationName_->text().trimmed();
    settings.onlyReleased = onlyReleased_->isChecked();
    return settings;
}

} // namespace plx71::station
