#pragma once

#include "platform/NetworkInterfaces.h"

#include <QString>
#include <QStringList>
#include <QVariant>

namespace ratelark {

// The user's choice of the interfaces to count, as the setting "interfaces"
// holds it: a list of names (one name reads back as a text). Anyone can edit
// the settings file, so every name is checked against the kernel's rule;
// what cannot be used is left out, with a log line for it.
struct InterfaceChoice {
    QStringList names;     // the usable names, each once, in stored order; empty: automatic
    QStringList problems;  // one log line for each thing left out
};
InterfaceChoice interfaceChoice(const QVariant& stored);

// What is counted now under a choice: the chosen names, or the automatic set.
struct CountedInterfaces {
    QStringList counted;  // those present now
    QStringList absent;   // chosen but not present: they count 0
    bool automatic = true;
};
CountedInterfaces countedInterfaces(const InterfaceChoice& choice, const NetworkInterfaces& interfaces);

// The stored choice, the interfaces there now and what is counted of them.
struct InterfacesNow {
    InterfaceChoice choice;
    NetworkInterfaces interfaces;
    CountedInterfaces counted;
};

// The log line that says what is counted.
QString countedLogLine(const CountedInterfaces& counted);

}  // namespace ratelark
