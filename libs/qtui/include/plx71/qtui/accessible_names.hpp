#pragma once
// Accessible names of controls: a control labelled "&Port :" is read out as
// "Port :", without the mnemonic mark.
#include <QString>

namespace plx71::qtui {

inline QString withoutMnemonic(QString text)
{
    return text.remove(QLatin1Char('&'));
}

} // namespace plx71::qtui
