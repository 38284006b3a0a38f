#pragma once

#include <QString>
#include <QStringList>

namespace ratelark {

enum class StatusLineFormat { None, Text, Json, Waybar, Polybar, Pango };

struct CommandLine {
    enum class Action { Run, Help, Version, Error };
    Action action = Action::Run;
    StatusLineFormat statusLine = StatusLineFormat::None;
    QString error;  // for Action::Error: one line saying what was wrong
};

// Reads the program's arguments (without the program name).
CommandLine parseCommandLine(const QStringList& arguments);

QString usageText();

}  // namespace ratelark
