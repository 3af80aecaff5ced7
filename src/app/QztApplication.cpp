#include "app/QztApplication.h"

#include <exception>

#include "app/ShowException.h"

namespace qzt {

bool QztApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& error) {
        ShowExceptionBox(error.what());
    } catch (...) {
        ShowExceptionBox("");
    }
    return false;
}

}  // namespace qzt
