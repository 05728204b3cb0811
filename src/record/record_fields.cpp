#include "record_fields.h"

namespace ww::fields {
namespace {

constexpr int Record::*noCode = nullptr;
constexpr QString Record::*noText = nullptr;

} // namespace

const std::array<Field, Record::fieldCount> &all()
{
    static const std::array<Field, Record::fieldCount> table = {{
        {1, "typ", "Typ", Kind::Code, &lists::kinds, &Record::kind, noText},
        {2, "thing_name", "Name", Kind::Line, nullptr, noCode, &Record::name},
        {3, "magic", "Magik", Kind::Code, &lists::magicColours, &Record::magic, noText},
        {4, "mana", "Mana", Kind::Line, nullptr, noCode, &Record::mana},
        {5, "attack", "Angriff", Kind::Code, &lists::percents, &Record::attack, noText},
        {6, "defence", "Verteidigung", Kind::Code, &lists::percents, &Record::defence, noText},
        {7, "move_earth", "Bewegung-Erde", Kind::Code, &lists::percents, &Record::moveEarth, noText},
        {8, "move_water", "Bewegung-Wasser", Kind::Code, &lists::percents, &Record::moveWater, noText},
        {9, "move_air", "Bewegung-Luft", Kind::Code, &lists::percents, &Record::moveAir, noText},
        {10, "text", "Beschreibung", Kind::Lines, nullptr, noCode, &Record::text},
    }};
    return table;
}

const Field &at(int position)
{
    return all().at(std::size_t(position - 1));
}

QString caption(int position)
{
    return position >= 1 && position <= Record::fieldCount ? at(position).captionText() : QString();
}

int positionOf(QString Record::*member)
{
    for (const Field &f : all()) {
        if (f.text == member)
            return f.position;
    }
    return 0;
}

int positionOf(int Record::*member)
{
    for (const Field &f : all()) {
        if (f.code == member)
            return f.position;
    }
    return 0;
}

int Field::positionOf(int code) const
{
    return lists::positionOf(entries(), code);
}

QString Field::displayText(int code) const
{
    const int position = positionOf(code);
    return position < 0 ? QString() : entries().at(position).text;
}

} // namespace ww::fields
