#pragma once

#include <QAccessibleInterface>

// Qt Quick 6.4 reports a disabled control as enabled to screen readers: a
// button drawn greyed out is still announced as one that can be pressed.
// This interface stands in front of Qt Quick's own for every item, passes
// everything through, and adds the disabled state.
class Accessiblestate : public QAccessibleInterface
{
public:
    explicit Accessiblestate(QAccessibleInterface *inner);
    ~Accessiblestate() override;

    // Once, before the window is made.
    static void install();

    bool isValid() const override;
    QObject *object() const override;
    QWindow *window() const override;
    QList<QPair<QAccessibleInterface *, QAccessible::Relation>> relations(QAccessible::Relation match) const override;
    QAccessibleInterface *focusChild() const override;
    QAccessibleInterface *childAt(int x, int y) const override;
    QAccessibleInterface *parent() const override;
    QAccessibleInterface *child(int index) const override;
    int childCount() const override;
    int indexOfChild(const QAccessibleInterface *child) const override;
    QString text(QAccessible::Text t) const override;
    void setText(QAccessible::Text t, const QString &text) override;
    QRect rect() const override;
    QAccessible::Role role() const override;
    QAccessible::State state() const override;
    void *interface_cast(QAccessible::InterfaceType type) override;

private:
    QAccessibleInterface *m_inner;
};
