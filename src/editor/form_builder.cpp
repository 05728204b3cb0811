#include "form_builder.h"

#include "accessibility.h"
#include "artwork.h"
#include "picture_box.h"
#include "record_fields.h"
#include "record_format.h"
#include "value_list_model.h"
#include "value_lists.h"
#include "window_geometry.h"

#include <QComboBox>
#include <QHash>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>

namespace ww {
namespace {

using geometry::twipRect;

// Where each field sits on the form, and its caption's name and width, in field order.
struct Place
{
    const char *label;
    int top;
    int boxWidth;
    int labelWidth;
};
constexpr std::array<Place, Record::fieldCount> places = {{
    {"typ_label", 960, 1335, 855},
    {"name_label", 1320, 2775, 855},
    {"magic_label", 1680, 2295, 975},
    {"mana_label", 2040, 615, 855},
    {"attack_label", 2400, 855, 1455},
    {"defence_label", 2760, 855, 1335},
    {"move_earth_label", 3120, 855, 1455},
    {"move_water_label", 3480, 855, 1695},
    {"move_air_label", 3840, 855, 1575},
    {"text_label", 4200, 0, 1575},
}};

void addLabel(QWidget *form, const QString &name, const QString &text, const QRect &geometry, QWidget *buddy = nullptr)
{
    auto *label = new QLabel(text, form);
    label->setObjectName(name);
    // A few design sizes reach past the window's edge; the text fits without that part.
    label->setGeometry(geometry.intersected(form->rect()));
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    if (buddy) {
        // Some captions are drawn wider than the gap to their control; a label
        // never reaches under the control it names.
        QRect area = label->geometry();
        if (area.intersects(buddy->geometry())) {
            if (buddy->x() > area.x())
                area.setRight(buddy->x() - 1);
            else
                area.setBottom(buddy->y() - 1);
            label->setGeometry(area);
        }
        // Captions beside a control line up with the text inside it.
        if (buddy->x() > label->x())
            label->setContentsMargins(0, 3, 0, 0);
        label->setBuddy(buddy);
        // Screen readers announce the control by its caption, without the colon.
        buddy->setAccessibleName(text.chopped(1));
    }
}

// The control a field of `kind` is edited in, unplaced.
QWidget *makeControl(const fields::Field &f, QWidget *form, QHash<const QList<ListEntry> *, ValueListModel *> &models)
{
    switch (f.kind) {
    case fields::Kind::Code: {
        auto *list = new QComboBox(form);
        list->setEditable(false);
        // One model per value list, shared by every box that shows it.
        ValueListModel *&model = models[&f.entries()];
        if (!model)
            model = new ValueListModel(f.entries(), form);
        list->setModel(model);
        return list;
    }
    case fields::Kind::Line: {
        auto *line = new QLineEdit(form);
        // Whatever a record file can hold fits; the save check names what is too long.
        line->setMaxLength(int(format::maxFileBytes));
        return line;
    }
    case fields::Kind::Lines: {
        auto *text = new QPlainTextEdit(form);
        text->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
        // Tab moves on to the next control rather than typing a tab.
        text->setTabChangesFocus(true);
        // Word boundaries only: breaking "anywhere" lays out one very long word
        // in time growing with the square of its length. Such a word scrolls.
        text->setWordWrapMode(QTextOption::WordWrap);
        return text;
    }
    }
    return nullptr;
}


template<typename Member>
QWidget *control(const RecordForm::Controls &controls, Member Record::*member)
{
    return controls[std::size_t(fields::positionOf(member) - 1)];
}

void buildPictures(QWidget *form)
{
    // Pictures first: controls that overlap them are drawn on top.
    auto *banner = new QLabel(form);
    banner->setObjectName(QStringLiteral("Image2"));
    banner->setPixmap(artwork(QStringLiteral("banner")));
    banner->setGeometry(twipRect(0, 0, 7020, 900));
    banner->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    auto *dragon = new QLabel(form);
    dragon->setObjectName(QStringLiteral("Dragon"));
    dragon->setPixmap(artwork(QStringLiteral("dragon")));
    dragon->setGeometry(twipRect(2640, 2400, 2160, 1740));
    // Decoration only: screen readers need not announce either picture.
    accessibility::markDecorative(banner);
    accessibility::markDecorative(dragon);
}

void buildFields(QWidget *form, RecordForm::Controls &controls)
{
    QHash<const QList<ListEntry> *, ValueListModel *> models;
    for (const fields::Field &f : fields::all()) {
        const Place &place = places[std::size_t(f.position - 1)];
        QWidget *widget = makeControl(f, form, models);
        widget->setObjectName(QString::fromLatin1(f.control));
        // The description spans the form below its caption.
        widget->setGeometry(f.kind == fields::Kind::Lines ? twipRect(240, 4440, 6375, 1095)
                                                          : twipRect(1800, place.top, place.boxWidth, 315));
        controls[std::size_t(f.position - 1)] = widget;
        addLabel(form, QString::fromLatin1(place.label), f.captionText() + QLatin1Char(':'),
                 twipRect(240, place.top, place.labelWidth, 255), widget);
    }
}

PictureBox *buildPortraitAndAddresses(QWidget *form, const RecordForm::Controls &controls)
{
    auto *img = new PictureBox(form);
    img->setObjectName(QStringLiteral("img"));
    img->setPixmap(artwork(QStringLiteral("portrait")));
    img->setGeometry(twipRect(4920, 1200, 1710, 2610));
    img->setToolTip(QStringLiteral("Bildauswahl noch nicht möglich"));
    img->setAccessibleDescription(QStringLiteral("Öffnet das Fenster 'Bild auswählen...'. ") + img->toolTip());
    addLabel(form, QStringLiteral("pic_label"), QStringLiteral("Bild:"), twipRect(4920, 960, 1215, 255), img);

    QFont serif(QStringLiteral("Times New Roman"));
    serif.setStyleHint(QFont::Serif);
    serif.setPointSizeF(8.25);
    addLabel(form, QStringLiteral("wildweave"), QStringLiteral("info@wildweave.de"), twipRect(0, 5520, 2775, 255));
    addLabel(form, QStringLiteral("korvath"), QStringLiteral("www.korvath.de"), twipRect(5280, 5520, 1575, 255));
    for (const char *name : {"wildweave", "korvath"}) {
        auto *label = form->findChild<QLabel *>(QString::fromLatin1(name));
        label->setFont(serif);
        // The design lets these share their top row with the description's bottom edge.
        label->setGeometry(label->geometry().adjusted(0, 1, 0, 0));
    }

    const std::array<QWidget *, 11> focusOrder = {
        control(controls, &Record::kind),      control(controls, &Record::name),      control(controls, &Record::text),
        control(controls, &Record::mana),      control(controls, &Record::magic),     img,
        control(controls, &Record::attack),    control(controls, &Record::defence),   control(controls, &Record::moveEarth),
        control(controls, &Record::moveWater), control(controls, &Record::moveAir)};
    for (std::size_t i = 1; i < focusOrder.size(); ++i)
        QWidget::setTabOrder(focusOrder[i - 1], focusOrder[i]);
    return img;
}

} // namespace

FormControls buildForm(QWidget *form)
{
    FormControls built;
    buildPictures(form);
    buildFields(form, built.fields);
    built.portrait = buildPortraitAndAddresses(form, built.fields);
    return built;
}

} // namespace ww
