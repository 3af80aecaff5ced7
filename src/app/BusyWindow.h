#pragma once
// While the unit is busy the main window takes no input. The operation lets
// the window paint now and then, and a command that ran then would close the
// link in use. So its commands are disabled (which also silences their
// shortcuts), and keys, clicks and drops meant for it are swallowed; the
// operation's own dialog and message boxes are windows of their own and work
// as usual. Input the window system held back meanwhile is swallowed at the
// end too, rather than run after the operation.

#include <QAction>
#include <QCoreApplication>
#include <QEvent>
#include <QObject>
#include <QWidget>
#include <vector>

#include "session/Session.h"

namespace qzt {

class BusyWindow : public QObject {
  public:
    BusyWindow(QWidget& window, const std::vector<QAction*>& commands, Session& session)
        : window_(window), operation_(session) {
        for (QAction* action : commands) {
            if (action->isEnabled()) {
                action->setEnabled(false);
                disabled_.push_back(action);
            }
        }
        QCoreApplication::instance()->installEventFilter(this);
    }
    ~BusyWindow() override {
        QCoreApplication::processEvents();
        QCoreApplication::instance()->removeEventFilter(this);
        for (QAction* action : disabled_) {
            action->setEnabled(true);
        }
    }
    BusyWindow(const BusyWindow&) = delete;
    BusyWindow& operator=(const BusyWindow&) = delete;

  protected:
    bool eventFilter(QObject* receiver, QEvent* event) override {
        switch (event->type()) {
            case QEvent::KeyPress:
            case QEvent::KeyRelease:
            case QEvent::ShortcutOverride:
            case QEvent::MouseButtonPress:
            case QEvent::MouseButtonRelease:
            case QEvent::MouseButtonDblClick:
            case QEvent::Wheel:
            case QEvent::ContextMenu:
            case QEvent::DragEnter:
            case QEvent::DragMove:
            case QEvent::Drop:
            case QEvent::TouchBegin:
            case QEvent::TouchUpdate:
            case QEvent::TouchEnd:
            case QEvent::InputMethod: {
                const auto* widget = qobject_cast<const QWidget*>(receiver);
                return widget != nullptr && widget->window() == &window_;
            }
            default:
                return false;
        }
    }

  private:
    QWidget& window_;
    Session::Operation operation_;
    std::vector<QAction*> disabled_;
};

}  // namespace qzt
