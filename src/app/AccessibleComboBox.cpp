#include "app/AccessibleComboBox.h"

#include <QAccessibleWidget>
#include <QComboBox>

namespace qzt {
namespace {

class AccessibleComboBox : public QAccessibleWidget {
  public:
    explicit AccessibleComboBox(QComboBox* combo)
        : QAccessibleWidget(combo, QAccessible::ComboBox) {}

    QString text(QAccessible::Text t) const override {
        switch (t) {
            case QAccessible::Name:
                return Combo()->accessibleName();
            case QAccessible::Value:
                return Combo()->currentText();
            default:
                return QAccessibleWidget::text(t);
        }
    }

    QStringList actionNames() const override {
        QStringList names{showMenuAction(), pressAction()};
        names += QAccessibleWidget::actionNames();
        return names;
    }
    void doAction(const QString& action) override {
        if (action == showMenuAction() || action == pressAction()) {
            Combo()->showPopup();
        } else {
            QAccessibleWidget::doAction(action);
        }
    }

  private:
    QComboBox* Combo() const { return static_cast<QComboBox*>(widget()); }
};

QAccessibleInterface* Factory(const QString& className, QObject* object) {
    if (className == QLatin1String("QComboBox") && object != nullptr && object->isWidgetType()) {
        auto* combo = static_cast<QComboBox*>(object);
        if (!combo->isEditable() && !combo->accessibleName().isEmpty()) {
            return new AccessibleComboBox(combo);
        }
    }
    return nullptr;
}

}  // namespace

void InstallAccessibleComboBoxes() {
    static const bool installed = [] {
        QAccessible::installFactory(Factory);
        return true;
    }();
    (void)installed;
}

}  // namespace qzt
