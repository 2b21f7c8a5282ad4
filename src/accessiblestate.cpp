#include "accessiblestate.h"

#include <QQuickItem>

namespace {
bool askingQtQuick = false;

// Asked first, by the item's most derived class name; Qt Quick's own
// factory answers to "QQuickItem" further up.
QAccessibleInterface *factory(const QString &, QObject *object)
{
    if (askingQtQuick || !qobject_cast<QQuickItem *>(object))
        return nullptr;
    askingQtQuick = true;
    QAccessibleInterface *inner = QAccessible::queryAccessibleInterface(object);
    askingQtQuick = false;
    return inner ? new Accessiblestate(inner) : nullptr;
}
}

Accessiblestate::Accessiblestate(QAccessibleInterface *inner)
    : m_inner(inner)
{
    auto *item = static_cast<QQuickItem *>(inner->object());
    QObject::connect(item, &QQuickItem::enabledChanged, item, [item] {
        QAccessible::State changed;
        changed.disabled = true;
        QAccessibleStateChangeEvent event(item, changed);
        QAccessible::updateAccessibility(&event);
    });
}

Accessiblestate::~Accessiblestate()
{
    QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(m_inner));
}

void Accessiblestate::install()
{
    QAccessible::installFactory(factory);
}

bool Accessiblestate::isValid() const
{
    return m_inner->isValid();
}

QObject *Accessiblestate::object() const
{
    return m_inner->object();
}

QWindow *Accessiblestate::window() const
{
    return m_inner->window();
}

QList<QPair<QAccessibleInterface *, QAccessible::Relation>> Accessiblestate::relations(QAccessible::Relation match) const
{
    return m_inner->relations(match);
}

QAccessibleInterface *Accessiblestate::focusChild() const
{
    return m_inner->focusChild();
}

QAccessibleInterface *Accessiblestate::childAt(int x, int y) const
{
    return m_inner->childAt(x, y);
}

QAccessibleInterface *Accessiblestate::parent() const
{
    return m_inner->parent();
}

QAccessibleInterface *Accessiblestate::child(int index) const
{
    return m_inner->child(index);
}

int Accessiblestate::childCount() const
{
    return m_inner->childCount();
}

int Accessiblestate::indexOfChild(const QAccessibleInterface *child) const
{
    return m_inner->indexOfChild(child);
}

QString Accessiblestate::text(QAccessible::Text t) const
{
    return m_inner->text(t);
}

void Accessiblestate::setText(QAccessible::Text t, const QString &text)
{
    m_inner->setText(t, text);
}

QRect Accessiblestate::rect() const
{
    return m_inner->rect();
}

QAccessible::Role Accessiblestate::role() const
{
    return m_inner->role();
}

QAccessible::State Accessiblestate::state() const
{
    QAccessible::State state = m_inner->state();
    const auto *item = qobject_cast<const QQuickItem *>(object());
    if (item && !item->isEnabled()) {
        state.disabled = true;
        state.focusable = false;
    }
    return state;
}

void *Accessiblestate::interface_cast(QAccessible::InterfaceType type)
{
    return m_inner->interface_cast(type);
}
