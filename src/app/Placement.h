#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

namespace qzt {

// Where a window of size `inner` goes to sit centred in `outer` (the screen,
// or the main window for a dialog). Halves are rounded toward zero, so a
// window larger than the screen gets a negative position.
inline QPoint CentredIn(const QRect& outer, const QSize& inner) {
    return {outer.x() + (outer.width() - inner.width()) / 2,
            outer.y() + (outer.height() - inner.height()) / 2};
}

}  // namespace qzt
