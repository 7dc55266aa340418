#pragma once

#include "config/Messages.h"

#include <QString>
#include <initializer_list>
#include <string>

namespace hostaq {

// A caption of the message table as Qt text, its %s filled in order.
inline QString MsgText(int id, std::initializer_list<std::string> args = {}) {
    return QString::fromStdString(args.size() == 0 ? Msg(id) : FormatMsg(id, args));
}

} // namespace hostaq
