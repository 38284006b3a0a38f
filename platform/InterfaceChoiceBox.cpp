#include "platform/InterfaceChoiceBox.h"

#include <QCheckBox>
#include <QLabel>
#include <QVBoxLayout>

namespace ratelark {

namespace {

constexpr int kNameIndent = 20;

QString nameOf(const QCheckBox* box) { return box->property("interface").toString(); }

}  // namespace

InterfaceChoiceBox::InterfaceChoiceBox(const QString& automaticTitle, QWidget* parent)
    : QWidget(parent), automatic_(new QCheckBox(automaticTitle, this)), names_(new QVBoxLayout), summary_(new QLabel(this)) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    names_->setContentsMargins(kNameIndent, 0, 0, 0);
    layout->addWidget(automatic_);
    layout->addLayout(names_);
    layout->addWidget(summary_);
    summary_->setTextFormat(Qt::PlainText);
    summary_->setWordWrap(true);
    // Only the user's clicks are changes; marks set to show a choice are not.
    connect(automatic_, &QCheckBox::clicked, this, &InterfaceChoiceBox::changed);
}

void InterfaceChoiceBox::showInterfaces(const QStringList& listed, const QStringList& chosen, const QStringList& counted,
                                        const QString& summary) {
    if (listed != this->listed()) {
        // The box clicked last may be among these: it goes once its click is over.
        for (QCheckBox* box : nameBoxes_) {
            box->hide();
            box->deleteLater();
        }
        nameBoxes_.clear();
        for (const QString& name : listed) {
            auto* box = new QCheckBox(this);
            // The name as it is: no '&' of it may become a shortcut mark.
            box->setText(QString(name).replace(QLatin1Char('&'), QStringLiteral("&&")));
            box->setProperty("interface", name);
            connect(box, &QCheckBox::clicked, this, &InterfaceChoiceBox::changed);
            names_->addWidget(box);
            box->show();
            nameBoxes_ << box;
        }
    }
    const bool automatic = chosen.isEmpty();
    automatic_->setChecked(automatic);
    for (QCheckBox* box : nameBoxes_) {
        box->setChecked((automatic ? counted : chosen).contains(nameOf(box)));
        box->setEnabled(!automatic);
    }
    summary_->setText(summary);
}

QStringList InterfaceChoiceBox::chosen() const {
    QStringList names;
    if (automatic_->isChecked()) return names;
    for (const QCheckBox* box : nameBoxes_)
        if (box->isChecked()) names << nameOf(box);
    return names;
}

QStringList InterfaceChoiceBox::listed() const {
    QStringList names;
    for (const QCheckBox* box : nameBoxes_) names << nameOf(box);
    return names;
}

}  // namespace ratelark
