#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

// Tables as OpenDocument spreadsheets (.ods): one sheet whose cells carry
// their type, so that no spreadsheet program reads a text as a number or a
// date, or a description starting with '=' as a formula.
namespace ww::ods {

// The most characters a spreadsheet cell holds (Excel's limit, which
// LibreOffice applies when it saves in Excel's format).
inline constexpr qsizetype maxCellCharacters = 32767;

// Why `text` cannot be a cell as it stands, or "".
QString cellProblem(const QString &text);

// One sheet of `rows`. A cell of a column for which `isNumber` holds is a
// number cell; every other cell is a text cell.
QByteArray write(const QList<QStringList> &rows, const std::function<bool(qsizetype column)> &isNumber);

// True for the bytes a zip file (and so an .ods) starts with.
bool looksLikeSpreadsheet(QByteArrayView data);

// The first sheet's rows: number cells as their value ("10"), percentage
// cells as their percentage ("10%"), text cells with their lines joined by
// LF and cut one character past what a record can hold. Repeated rows share
// their cells. `error` gets a German reason when `data` is no spreadsheet
// that can be read as it stands; `notes` what the writer should know (rows
// on later sheets, which are not read).
std::optional<QList<QStringList>> read(const QByteArray &data, QString &error, QStringList *notes = nullptr);

} // namespace ww::ods
