#pragma once
// Where the operator names the line server (its URL and the station's token
// file), the name the station goes by on the line, and "Only released jobs":
// a part of the station's options, read-only under the lock like the rest.
#include "station_settings.hpp"

#include <QWidget>

#include <functional>

class QCheckBox;
class QLineEdit;

namespace plx71::station {

class LineOptions : public QWidget {
    Q_OBJECT
public:
    // `chooseTokenFile` asks for the token file; an empty answer keeps it.
    LineOptions(std::function<QString()> chooseTokenFile, QWidget* parent = nullptr);

    void show(const StationSettings& settings);
    // `settings` with what the fields say now.
    StationSettings applied(StationSettings settings) const;

signals:
    void edited();

private:
    std::function<QString()> chooseTokenFile_;
    QLineEdit* url_ = nullptr;
    QLineEdit* tokenFile_ = nullptr;
    QLineEdit* stationName_ = nullptr;
    QCheckBox* onlyReleased_ = nullptr;
};

} // namespace plx71::station
