#include "app/EnterKey.h"

#include <QEvent>
#include <QKeyEvent>
#include <QWidget>

namespace tess {
namespace {

class EnterKeyFilter : public QObject {
public:
    EnterKeyFilter(QWidget* widget, std::function<void(bool)> run) : QObject(widget), m_run(std::move(run))
    {
        widget->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::KeyPress)
            return QObject::eventFilter(watched, event);
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() != Qt::Key_Return && key->key() != Qt::Key_Enter)
            return false;
        m_run(key->modifiers().testFlag(Qt::ShiftModifier));
        return true;
    }

private:
    std::function<void(bool)> m_run;
};

} // namespace

void onEnterKey(QWidget* widget, std::function<void(bool backward)> run)
{
    new EnterKeyFilter(widget, std::move(run));
}

} // namespace tess
