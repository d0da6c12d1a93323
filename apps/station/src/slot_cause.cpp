#include "slot_cause.hpp"

namespace plx71::station {

QString oneLineCause(const QString& text, const QString& detail)
{
    QString line = text.section(QLatin1Char('\n'), 0, 0).trimmed();
    const QString reason = detail.section(QLatin1Char('\n'), 0, 0).trimmed();
    if (!reason.isEmpty())
        line += (line.isEmpty() ? QString() : QStringLiteral(": ")) + reason;
    return line;
}

} // namespace plx71::station
