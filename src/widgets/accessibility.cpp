#include "accessibility.h"

#include "picture_box.h"

#include <QAccessibleWidget>

namespace ww::accessibility {
namespace {

constexpr char decorativeProperty[] = "ww_decorative";

bool isDecorative(const QObject *object)
{
    return object && object->property(decorativeProperty).toBool();
}

// A widget whose decorative children are not among its accessible children.
class WithoutDecoration : public QAccessibleWidget
{
public:
    using QAccessibleWidget::QAccessibleWidget;

    int childCount() const override { return int(children().size()); }
    QAccessibleInterface *child(int index) const override
    {
        const QList<QAccessibleInterface *> shown = children();
        return index >= 0 && index < shown.size() ? shown[index] : nullptr;
    }
    int indexOfChild(const QAccessibleInterface *child) const override
    {
        return int(children().indexOf(const_cast<QAccessibleInterface *>(child)));
    }

private:
    QList<QAccessibleInterface *> children() const
    {
        QList<QAccessibleInterface *> shown;
        for (int i = 0; i < QAccessibleWidget::childCount(); ++i) {
            QAccessibleInterface *c = QAccessibleWidget::child(i);
            if (c && !isDecorative(c->object()))
                shown.append(c);
        }
        return shown;
    }
};

// The picture box acts as a button: it can be pressed, and says what it opens.
class PressablePicture : public QAccessibleWidget
{
public:
    explicit PressablePicture(PictureBox *box) : QAccessibleWidget(box, QAccessible::Button) {}

    QStringList actionNames() const override { return {pressAction()}; }
    void doAction(const QString &action) override
    {
        if (action == pressAction())
            static_cast<PictureBox *>(widget())->press();
    }
};

QAccessibleInterface *factory(const QString &className, QObject *object)
{
    // The class name decides before the object is touched: the factory is
    // asked about every object of the program, the browser's internal ones too.
    if (className == QLatin1String("ww::PictureBox"))
        return new PressablePicture(static_cast<PictureBox *>(object));
    // Only a plain container can have decorative children; controls keep Qt's own interfaces.
    if (className == QLatin1String("QWidget")) {
        auto *widget = static_cast<QWidget *>(object);
        if (widget->isWindow())
            return nullptr;
        for (const QObject *child : widget->children()) {
            if (isDecorative(child))
                return new WithoutDecoration(widget);
        }
    }
    return nullptr;
}

} // namespace

void install()
{
    static const bool installed = [] {
        QAccessible::installFactory(factory);
        return true;
    }();
    Q_UNUSED(installed);
}

void markDecorative(QWidget *picture)
{
    picture->setProperty(decorativeProperty, true);
}

} // namespace ww::accessibility
