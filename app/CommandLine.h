#pragma once

#include "usage/UsagePeriod.h"

#include <QString>
#include <QStringList>

namespace ratelark {

enum class StatusLineFormat { None, Text, Json, Waybar, Polybar, Pango };

struct CommandLine {
    enum class Action { Run, Help, Version, Usage, Error };
    Action action = Action::Run;
    StatusLineFormat statusLine = StatusLineFormat::None;
    UsagePeriod usagePeriod = UsagePeriod::Summary;
    UsageFormat usageFormat = UsageFormat::Table;
    QString error;  // for Action::Error: one line saying what was wrong
};

// Reads the program's arguments (without the program name).
CommandLine parseCommandLine(const QStringList& arguments);

QString usageText();

}  // namespace ratelark
