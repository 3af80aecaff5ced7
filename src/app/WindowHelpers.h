#pragma once
// What every window needs: the libraries' UTF-8 texts as Qt strings, the
// pixel sizes of the original layouts grown to the font in use, and the
// place of a window centred on another (frames included).

#include <QMargins>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>
#include <QWidget>
#include <QWindow>
#include <algorithm>
#include <cmath>
#include <string_view>

namespace qzt {

// The string table and the libraries below the windows speak UTF-8.
inline QString Q(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// `text` with `letter` (its first occurrence, in either case) marked as its
// access key, unless the text has one already or lacks the letter.
inline QString WithAccessKey(QString text, QChar letter) {
    if (!text.contains('&')) {
        const qsizetype at = text.indexOf(letter, 0, Qt::CaseInsensitive);
        if (at >= 0) {
            text.insert(at, '&');
        }
    }
    return text;
}

// The windows were drawn at 96 dpi for a font whose average character is 5
// pixels wide. Their sizes grow with the font in use, never shrink, so that
// no caption or value is clipped.
class FontScale {
  public:
    explicit FontScale(const QWidget& window)
        : factor_(std::max(1.0, window.fontMetrics().averageCharWidth() / 5.0)) {}

    // A length of the original layout, in pixels of this window.
    int operator()(int pixels) const { return static_cast<int>(std::lround(pixels * factor_)); }
    double Factor() const { return factor_; }

  private:
    double factor_;
};

// Where a window of size `inner` goes to sit centred in `outer` (the screen,
// or the main window for a dialog). Halves are rounded toward zero, so a
// window larger than the screen gets a negative position.
inline QPoint CentredIn(const QRect& outer, const QSize& inner) {
    return {outer.x() + (outer.width() - inner.width()) / 2,
            outer.y() + (outer.height() - inner.height()) / 2};
}

// The size of `window` with the frame the window system draws around it.
// Before a window is first shown its frame may not be known yet; the frame of
// `like`, a window with the same decorations, stands in.
inline QSize FrameSize(const QWidget& window, const QWidget& like) {
    QMargins margins;
    if (const QWindow* handle = window.windowHandle()) {
        margins = handle->frameMargins();
    }
    if (margins.isNull()) {
        if (const QWindow* handle = like.windowHandle()) {
            margins = handle->frameMargins();
        }
    }
    return window.size().grownBy(margins);
}

// Places `dialog` with its frame centred on the frame of `owner` (a window's
// position is that of its frame, title bar included).
inline void CentreOver(QWidget& dialog, const QWidget& owner) {
    dialog.move(CentredIn(owner.frameGeometry(), FrameSize(dialog, owner)));
}

}  // namespace qzt
