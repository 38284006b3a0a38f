#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QWidget>

class QCheckBox;
class QLabel;
class QVBoxLayout;

namespace ratelark {

// The choice of the network interfaces to count: a check box for the
// automatic choice, one check box per interface under it (usable while the
// automatic one is off) and a line under them. What it shows is set from
// outside; a change of the user's is told by changed() and read by chosen().
class InterfaceChoiceBox : public QWidget {
    Q_OBJECT
public:
    explicit InterfaceChoiceBox(const QString& automaticTitle, QWidget* parent = nullptr);

    // listed: the interfaces offered, in order; chosen: the names chosen,
    // none for the automatic choice; counted: the interfaces counted now,
    // marked while the choice is automatic; summary: the line under them.
    void showInterfaces(const QStringList& listed, const QStringList& chosen, const QStringList& counted,
                        const QString& summary);

    // The choice the boxes show now: the names marked, none while the
    // automatic box is marked.
    QStringList chosen() const;

    // The interfaces offered, in order.
    QStringList listed() const;

signals:
    void changed();

private:
    QCheckBox* automatic_;
    QVBoxLayout* names_;
    QList<QCheckBox*> nameBoxes_;  // one per listed interface, its name in the property "interface"
    QLabel* summary_;
};

}  // namespace ratelark
