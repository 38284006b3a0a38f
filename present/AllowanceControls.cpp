#include "app/AppController.h"

#include "app/PreferenceKeys.h"
#include "platform/Log.h"
#include "usage/UsageText.h"

#include <QLineEdit>
#include <QRegularExpression>

namespace ratelark {

namespace {

// What a field holds, as stored; nullopt: nothing usable.
std::optional<QVariant> storedForm(const QString& key, const QString& text) {
    const QString trimmed = text.trimmed();
    if (key == keys::dataAllowance) {
        if (trimmed.isEmpty() || trimmed == QLatin1String("none")) return QVariant(QStringLiteral("0"));
        const auto bytes = parseVolume(trimmed);
        return bytes ? std::optional<QVariant>(QString::number(*bytes)) : std::nullopt;
    }
    if (key == keys::dataAllowanceDay) {
        bool ok = false;
        const int day = trimmed.isEmpty() ? 1 : trimmed.toInt(&ok);
        return (trimmed.isEmpty() || ok) && day >= 1 && day <= 31 ? std::optional<QVariant>(QString::number(day))
                                                                  : std::nullopt;
    }
    if (key == keys::dataAllowanceInterfaces) {
        // Commas or blanks between the names; none: the interfaces counted.
        const QStringList names = trimmed.split(QRegularExpression(QStringLiteral("[,\\s]+")), Qt::SkipEmptyParts);
        for (const QString& name : names)
            if (!isValidInterfaceName(name)) return std::nullopt;
        return QVariant(names);
    }
    return std::nullopt;
}

}  // namespace

void AppController::clickDataAllowance(QObject* sender) {
    auto* field = qobject_cast<QLineEdit*>(sender);
    if (!field) return;
    const QString key = field->property("key").toString();
    if (const auto value = storedForm(key, field->text())) {
        standardUserDefaults().setObject(*value, key);
        standardUserDefaults().synchronize();
    } else {
        nsLog(QStringLiteral("The data allowance's field %1 holds %2, which it cannot use; it is left as it was")
                  .arg(key, quotedForLog(field->text())));
    }
    showAllowanceSettings();
    showUsage();
}

void AppController::showAllowanceSettings() {
    if (!window()) return;
    QString problem;
    const DataAllowance stored = storedAllowance(standardUserDefaults(), &problem);
    for (QLineEdit* field : window()->findChildren<QLineEdit*>()) {
        const QString key = field->property("key").toString();
        if (field->hasFocus()) continue;  // never under the user's typing
        if (key == keys::dataAllowance) field->setText(stored.isOn() ? formatVolume(stored.bytes) : QString());
        if (key == keys::dataAllowanceDay) field->setText(stored.isOn() ? QString::number(stored.startDay) : QString());
        if (key == keys::dataAllowanceInterfaces) field->setText(stored.interfaces.join(QStringLiteral(", ")));
    }
}

}  // namespace ratelark
