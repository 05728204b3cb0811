#include "ods_table.h"

#include "record_format.h"
#include "table_limits.h"
#include "zip_entry_device.h"

#include <QBuffer>
#include <QLocale>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

#include <quazip.h>
#include <quazipfile.h>
#include <quazipfileinfo.h>
#include <quazipnewinfo.h>

namespace ww::ods {
namespace {

const QString officeNs = QStringLiteral("urn:oasis:names:tc:opendocument:xmlns:office:1.0");
const QString tableNs = QStringLiteral("urn:oasis:names:tc:opendocument:xmlns:table:1.0");
const QString textNs = QStringLiteral("urn:oasis:names:tc:opendocument:xmlns:text:1.0");
const QString manifestNs = QStringLiteral("urn:oasis:names:tc:opendocument:xmlns:manifest:1.0");
const QByteArray mimeType("application/vnd.oasis.opendocument.spreadsheet");

// Bounds against a small file that unpacks into a huge table.
constexpr qint64 maxContentBytes = qint64(256) * 1024 * 1024;
using table::maxCells;

// How often a row or cell stands, at least once. Bounded far past the cell
// bound, so that the refusal can say how many cells there are, and a row's
// cells times its repeats cannot overflow.
constexpr qsizetype maxRepeat = qsizetype(1000) * 1000 * 1000 * 1000;
qsizetype repeated(const QXmlStreamAttributes &attributes, const QString &name)
{
    return std::clamp<qsizetype>(attributes.value(tableNs, name).toLongLong(), 1, maxRepeat);
}

// The blanks that stood before `value` (`blanks`, then none), and `value`
// `repeat` times: cells and rows are kept blank only where text follows.
template<typename T>
void appendAfterBlanks(QList<T> &list, qsizetype &blanks, const T &value, qsizetype repeat)
{
    list.insert(list.size(), std::exchange(blanks, 0), T());
    list.insert(list.size(), repeat, value);
}

bool fitsXml(QChar c)
{
    return c.unicode() >= 0x20 || c == QLatin1Char('\t') || c == QLatin1Char('\n') || c == QLatin1Char('\r');
}

// One line of a text cell: spaces other than single ones between words are
// elements of their own, or a reader would collapse them. Tabs stay
// characters: LibreOffice Calc drops a <text:tab/> in a cell it loads.
void writeLine(QXmlStreamWriter &xml, QStringView line)
{
    xml.writeStartElement(textNs, QStringLiteral("p"));
    QString plain;
    for (qsizetype i = 0; i < line.size(); ++i) {
        const QChar c = line[i];
        if (c == QLatin1Char(' ')) {
            qsizetype run = 1;
            while (i + run < line.size() && line[i + run] == QLatin1Char(' '))
                ++run;
            // Only a single space between other characters survives as it stands.
            if (run == 1 && i > 0 && i + 1 < line.size() && line[i - 1] != QLatin1Char('\t')
                && line[i + 1] != QLatin1Char('\t')) {
                plain += c;
                continue;
            }
            xml.writeCharacters(std::exchange(plain, {}));
            xml.writeEmptyElement(textNs, QStringLiteral("s"));
            if (run > 1)
                xml.writeAttribute(textNs, QStringLiteral("c"), QString::number(run));
            i += run - 1;
        } else {
            plain += c;
        }
    }
    xml.writeCharacters(plain);
    xml.writeEndElement();
}

QByteArray content(const QList<QStringList> &rows, const std::function<bool(qsizetype)> &isNumber)
{
    QByteArray bytes;
    QXmlStreamWriter xml(&bytes);
    xml.writeStartDocument();
    xml.writeNamespace(officeNs, QStringLiteral("office"));
    xml.writeNamespace(tableNs, QStringLiteral("table"));
    xml.writeNamespace(textNs, QStringLiteral("text"));
    xml.writeStartElement(officeNs, QStringLiteral("document-content"));
    xml.writeAttribute(officeNs, QStringLiteral("version"), QStringLiteral("1.2"));
    xml.writeStartElement(officeNs, QStringLiteral("body"));
    xml.writeStartElement(officeNs, QStringLiteral("spreadsheet"));
    xml.writeStartElement(tableNs, QStringLiteral("table"));
    xml.writeAttribute(tableNs, QStringLiteral("name"), QStringLiteral("Datensätze"));
    for (qsizetype r = 0; r < rows.size(); ++r) {
        xml.writeStartElement(tableNs, QStringLiteral("table-row"));
        for (qsizetype c = 0; c < rows[r].size(); ++c) {
            const QString &text = rows[r][c];
            xml.writeStartElement(tableNs, QStringLiteral("table-cell"));
            // The header row names the columns: text even above numbers.
            const bool number = r > 0 && isNumber(c);
            xml.writeAttribute(officeNs, QStringLiteral("value-type"), number ? QStringLiteral("float") : QStringLiteral("string"));
            if (number)
                xml.writeAttribute(officeNs, QStringLiteral("value"), text);
            if (!text.isEmpty() || number) {
                // A cell's lines are paragraphs; CR LF, LF and CR each end one.
                qsizetype start = 0;
                for (qsizetype i = 0; i <= text.size(); ++i) {
                    if (i < text.size() && text[i] != QLatin1Char('\r') && text[i] != QLatin1Char('\n'))
                        continue;
                    writeLine(xml, QStringView(text).sliced(start, i - start));
                    if (i + 1 < text.size() && text[i] == QLatin1Char('\r') && text[i + 1] == QLatin1Char('\n'))
                        ++i;
                    start = i + 1;
                }
            }
            xml.writeEndElement();
        }
        xml.writeEndElement();
    }
    xml.writeEndDocument();
    return bytes;
}

QByteArray manifest()
{
    QByteArray bytes;
    QXmlStreamWriter xml(&bytes);
    xml.writeStartDocument();
    xml.writeNamespace(manifestNs, QStringLiteral("manifest"));
    xml.writeStartElement(manifestNs, QStringLiteral("manifest"));
    xml.writeAttribute(manifestNs, QStringLiteral("version"), QStringLiteral("1.2"));
    xml.writeEmptyElement(manifestNs, QStringLiteral("file-entry"));
    xml.writeAttribute(manifestNs, QStringLiteral("full-path"), QStringLiteral("/"));
    xml.writeAttribute(manifestNs, QStringLiteral("version"), QStringLiteral("1.2"));
    xml.writeAttribute(manifestNs, QStringLiteral("media-type"), QString::fromLatin1(mimeType));
    xml.writeEmptyElement(manifestNs, QStringLiteral("file-entry"));
    xml.writeAttribute(manifestNs, QStringLiteral("full-path"), QStringLiteral("content.xml"));
    xml.writeAttribute(manifestNs, QStringLiteral("media-type"), QStringLiteral("text/xml"));
    xml.writeEndDocument();
    return bytes;
}

bool addEntry(QuaZip &zip, const QString &name, const QByteArray &bytes, bool compressed)
{
    QuaZipFile file(&zip);
    // The mimetype entry comes first and unpacked, so that tools can tell the format by it.
    if (!file.open(QIODevice::WriteOnly, QuaZipNewInfo(name), nullptr, 0, compressed ? Z_DEFLATED : 0,
                   compressed ? Z_DEFAULT_COMPRESSION : 0))
        return false;
    const bool written = file.write(bytes) == bytes.size();
    file.close();
    return written && file.getZipError() == ZIP_OK;
}

// What the sheet's cells may hold in all: as much as the largest table the
// import reads (64 MiB), so that a few bytes of <text:s text:c="32767"/>
// cannot unpack into gigabytes.
constexpr qsizetype maxSheetCharacters = qsizetype(64) * 1024 * 1024;

// A cell's text is cut here: one character more than any record may hold
// tells the import that the row is too large, and nothing beyond it is
// ever expanded.
constexpr qsizetype maxCellText = qsizetype(format::maxFileBytes) + 1;

bool isParagraph(const QXmlStreamReader &xml)
{
    return xml.namespaceUri() == textNs && (xml.name() == QLatin1String("p") || xml.name() == QLatin1String("h"));
}

// Stops the reading with `why` unless the element is one a cell's text may
// hold. Entities other than XML's own five are refused rather than dropped.
bool refusedToken(QXmlStreamReader &xml, QXmlStreamReader::TokenType token)
{
    if (token == QXmlStreamReader::EntityReference) {
        xml.raiseError(QStringLiteral("sie enthält die Entität '&%1;'; eine Tabelle darf nur die fünf des XML "
                                      "enthalten (&amp; &lt; &gt; &quot; &apos;), alles andere ginge verloren")
                           .arg(xml.name()));
        return true;
    }
    if (token == QXmlStreamReader::DTD) {
        xml.raiseError(QStringLiteral("sie enthält eine Dokumenttypdefinition (DTD), die keine Tabelle braucht"));
        return true;
    }
    if (token == QXmlStreamReader::StartElement && xml.namespaceUri() == tableNs && xml.name() == QLatin1String("table")) {
        xml.raiseError(QStringLiteral("sie enthält eine Tabelle in der Tabelle, deren Zeilen und Spalten nicht "
                                      "die der Tabelle sind"));
        return true;
    }
    return false;
}

// Appends `count` of `c` to `text` within the cell's bound.
void appendBounded(QString &text, qsizetype count, QChar c)
{
    text.append(QString(std::clamp<qsizetype>(count, 0, maxCellText - text.size()), c));
}

// The text of a cell: its paragraphs (a list's items too) joined by LF,
// spaces and tabs restored, cut at maxCellText.
QString cellText(QXmlStreamReader &xml)
{
    QString text;
    bool firstParagraph = true;
    int depth = 0;
    while (!xml.atEnd()) {
        const QXmlStreamReader::TokenType token = xml.readNext();
        // No more to read though the document is not over: a damaged archive.
        if (token == QXmlStreamReader::Invalid || refusedToken(xml, token))
            break;
        if (token == QXmlStreamReader::StartElement) {
            ++depth;
            const QStringView name = xml.name();
            if (isParagraph(xml)) {
                if (!std::exchange(firstParagraph, false))
                    appendBounded(text, 1, QLatin1Char('\n'));
            } else if (xml.namespaceUri() == textNs && name == QLatin1String("s")) {
                const QStringView count = xml.attributes().value(textNs, QStringLiteral("c"));
                appendBounded(text, count.isEmpty() ? 1 : std::max<qsizetype>(count.toLongLong(), 1), QLatin1Char(' '));
            } else if (xml.namespaceUri() == textNs && name == QLatin1String("tab")) {
                appendBounded(text, 1, QLatin1Char('\t'));
            } else if (xml.namespaceUri() == textNs && name == QLatin1String("line-break")) {
                appendBounded(text, 1, QLatin1Char('\n'));
            } else if (xml.namespaceUri() == officeNs && name == QLatin1String("annotation")) {
                xml.skipCurrentElement(); // a comment on the cell, not its text
                --depth;
            }
        } else if (token == QXmlStreamReader::EndElement) {
            if (depth-- == 0)
                break; // the cell's own end
        } else if (token == QXmlStreamReader::Characters && depth > 0) {
            text.append(xml.text().first(std::min(xml.text().size(), maxCellText - text.size())));
        }
    }
    return text;
}

// A cell's value as the sheet shows it: number cells as their value, a
// percentage as its percentage ("10%"), text cells as their text.
QString cellValue(QXmlStreamReader &xml)
{
    const QXmlStreamAttributes attributes = xml.attributes();
    const QStringView type = attributes.value(officeNs, QStringLiteral("value-type"));
    QString text = cellText(xml);
    if (type == QLatin1String("float") || type == QLatin1String("currency"))
        return attributes.value(officeNs, QStringLiteral("value")).toString();
    if (type == QLatin1String("percentage")) {
        bool ok = false;
        const double value = attributes.value(officeNs, QStringLiteral("value")).toDouble(&ok);
        return ok ? QString::number(value * 100, 'g', 15) + QLatin1Char('%') : text;
    }
    if (type == QLatin1String("boolean"))
        return attributes.value(officeNs, QStringLiteral("boolean-value")).toString();
    return text;
}

// Qt's reasons are English: the writer is told in German where it broke.
QString xmlProblem(const QXmlStreamReader &xml)
{
    QString what;
    switch (xml.error()) {
    case QXmlStreamReader::CustomError:
        return QStringLiteral("Die Tabelle kann so nicht gelesen werden: %1 (Zeile %2 von content.xml).")
            .arg(xml.errorString())
            .arg(xml.lineNumber());
    case QXmlStreamReader::PrematureEndOfDocumentError: what = QStringLiteral("Ihr Inhalt (content.xml) endet mittendrin"); break;
    case QXmlStreamReader::UnexpectedElementError:
    case QXmlStreamReader::NotWellFormedError:
    case QXmlStreamReader::NoError: what = QStringLiteral("Ihr Inhalt (content.xml) ist kein wohlgeformtes XML"); break;
    }
    return QStringLiteral("Die Tabelle ist beschädigt: %1 (Zeile %2 von content.xml).").arg(what).arg(xml.lineNumber());
}

} // namespace

QString cellProblem(const QString &text)
{
    if (text.size() > maxCellCharacters)
        return QStringLiteral("%1 Zeichen, eine Tabellenzelle hält höchstens %2").arg(text.size()).arg(maxCellCharacters);
    for (const QChar c : text) {
        if (!fitsXml(c))
            return QStringLiteral("das Steuerzeichen U+%1, das eine Tabellenzelle nicht halten kann")
                .arg(c.unicode(), 4, 16, QLatin1Char('0'));
    }
    return QString();
}

QByteArray write(const QList<QStringList> &rows, const std::function<bool(qsizetype)> &isNumber)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    QuaZip zip(&buffer);
    if (!zip.open(QuaZip::mdCreate))
        return QByteArray();
    const bool ok = addEntry(zip, QStringLiteral("mimetype"), mimeType, false)
        && addEntry(zip, QStringLiteral("META-INF/manifest.xml"), manifest(), true)
        && addEntry(zip, QStringLiteral("content.xml"), content(rows, isNumber), true);
    zip.close();
    return ok && zip.getZipError() == ZIP_OK ? bytes : QByteArray();
}

bool looksLikeSpreadsheet(QByteArrayView data)
{
    return data.startsWith("PK\x03\x04");
}

namespace {

// The manifest says which entries are encrypted: a sheet saved with a password.
bool passwordProtected(QuaZip &zip)
{
    if (!zip.setCurrentFile(QStringLiteral("META-INF/manifest.xml")))
        return false;
    QuaZipFile manifest(&zip);
    if (!manifest.open(QIODevice::ReadOnly))
        return false;
    constexpr qint64 enough = qint64(1024) * 1024;
    return manifest.read(enough).contains("encryption-data");
}

QString tooManyCells(qsizetype cells)
{
    const QLocale german(QLocale::German, QLocale::Germany);
    return QStringLiteral("Die Tabelle hat bis hierher %1 Zellen; eingelesen werden höchstens %2.")
        .arg(german.toString(cells), german.toString(maxCells));
}

// The cells of the row `xml` stands at, blanks kept only before text;
// its characters counted into `characters`. False, with `error`, when the
// row on top of the `cells` before it passes the bounds; the row's cells
// are counted with its repeats, by the sheet.
bool readRow(QXmlStreamReader &xml, QStringList &row, qsizetype cells, qsizetype &characters, QString &error)
{
    qsizetype emptyCells = 0; // added only once a cell with text follows them
    while (xml.readNextStartElement()) {
        if (refusedToken(xml, xml.tokenType()))
            break;
        if (xml.namespaceUri() != tableNs
            || (xml.name() != QLatin1String("table-cell") && xml.name() != QLatin1String("covered-table-cell"))) {
            xml.skipCurrentElement();
            continue;
        }
        const qsizetype repeat = repeated(xml.attributes(), QStringLiteral("number-columns-repeated"));
        // A cell a merged one covers is shown as part of it: what it still holds is not read.
        const bool covered = xml.name() == QLatin1String("covered-table-cell");
        if (covered)
            xml.skipCurrentElement();
        const QString value = covered ? QString() : cellValue(xml);
        if (value.isEmpty()) {
            emptyCells = std::min(emptyCells + repeat, maxRepeat);
            continue;
        }
        if ((cells += emptyCells + repeat) > maxCells) {
            error = tooManyCells(cells);
            return false;
        }
        // Repeated cells and rows share their text.
        if ((characters += value.size()) > maxSheetCharacters) {
            error = QStringLiteral("Die Zellen der Tabelle halten mehr als %1 MiB Text.").arg(maxSheetCharacters / (qsizetype(1024) * 1024));
            return false;
        }
        if (row.size() + emptyCells + repeat > table::maxRowCells) {
            error = QStringLiteral("Eine Zeile der Tabelle hat mehr als %1 Zellen; eingelesen werden höchstens so viele.")
                        .arg(QLocale(QLocale::German, QLocale::Germany).toString(table::maxRowCells));
            return false;
        }
        appendAfterBlanks(row, emptyCells, value, repeat);
    }
    return true;
}

// The rows read so far: the first sheet's kept, later sheets' counted.
struct Sheet
{
    QList<QStringList> rows;
    qsizetype cells = 0;
    qsizetype characters = 0;
    qsizetype emptyRows = 0;
    qsizetype distinctRows = 0;
    int tables = 0;
    qsizetype laterRows = 0;
    QString laterName;

    // `row`, standing `repeat` times; false, with `error`, past the bounds.
    bool add(const QStringList &row, qsizetype repeat, QString &error)
    {
        if (tables > 1) {
            laterRows += row.isEmpty() ? 0 : repeat;
            return true;
        }
        // Empty rows count only before a row with text: a sheet ends in a million blank ones.
        if (row.isEmpty()) {
            emptyRows = std::min(emptyRows + repeat, maxRepeat);
            return true;
        }
        if ((cells += emptyRows + row.size() * repeat) > maxCells) {
            error = tooManyCells(cells);
            return false;
        }
        // Each row that is no repeat is a list of its own, some 200 bytes more.
        if (++distinctRows > table::maxRows) {
            error = QStringLiteral("Die Tabelle hat mehr als %1 Zeilen mit Text, die sich nicht bloß wiederholen; "
                                   "eingelesen werden höchstens so viele.")
                        .arg(QLocale(QLocale::German, QLocale::Germany).toString(table::maxRows));
            return false;
        }
        appendAfterBlanks(rows, emptyRows, row, repeat);
        return true;
    }

    QString note() const
    {
        return QStringLiteral("Gelesen wird nur das erste Blatt der Tabelle; das Blatt '%1' und die folgenden "
                              "haben %2 Zeilen mit Text, die nicht eingelesen werden.")
            .arg(laterName)
            .arg(laterRows);
    }
};

// The first sheet's rows from `xml`; later sheets only counted, for `notes`.
std::optional<QList<QStringList>> rowsOf(QXmlStreamReader &xml, const ZipEntryDevice &file, QString &error,
                                         QStringList *notes)
{
    Sheet sheet;
    int openTables = 0;
    while (!xml.atEnd()) {
        const QXmlStreamReader::TokenType token = xml.readNext();
        if (token == QXmlStreamReader::EntityReference || token == QXmlStreamReader::DTD) {
            refusedToken(xml, token);
            break;
        }
        if (file.tooLarge() || !file.shapeProblem().isEmpty()) {
            error = file.tooLarge() ? QStringLiteral("Die Tabelle ist entpackt größer als %1 MiB.").arg(maxContentBytes / (qint64(1024) * 1024))
                                    : file.shapeProblem();
            return std::nullopt;
        }
        const bool table = xml.namespaceUri() == tableNs && xml.name() == QLatin1String("table");
        if (token == QXmlStreamReader::EndElement && table)
            --openTables;
        if (token != QXmlStreamReader::StartElement || xml.namespaceUri() != tableNs)
            continue;
        if (table) {
            if (openTables++ > 0 && refusedToken(xml, token))
                break;
            if (++sheet.tables == 2)
                sheet.laterName = xml.attributes().value(tableNs, QStringLiteral("name")).toString();
            continue;
        }
        if (xml.name() != QLatin1String("table-row"))
            continue;
        const qsizetype rowRepeat = repeated(xml.attributes(), QStringLiteral("number-rows-repeated"));
        QStringList row;
        if (!readRow(xml, row, sheet.cells, sheet.characters, error) || !sheet.add(row, rowRepeat, error))
            return std::nullopt;
    }
    if (file.damaged() || file.tooLarge() || !file.shapeProblem().isEmpty()) {
        error = file.damaged()    ? QStringLiteral("Die Tabelle kann nicht entpackt werden: Sie ist beschädigt.")
              : file.tooLarge() ? QStringLiteral("Die Tabelle ist entpackt größer als %1 MiB.").arg(maxContentBytes / (qint64(1024) * 1024))
                                : file.shapeProblem();
        return std::nullopt;
    }
    if (xml.hasError()) {
        error = xmlProblem(xml);
        return std::nullopt;
    }
    if (sheet.laterRows > 0 && notes)
        notes->append(sheet.note());
    return sheet.rows;
}

} // namespace

std::optional<QList<QStringList>> read(const QByteArray &data, QString &error, QStringList *notes)
{
    QByteArray shared = data; // QBuffer wants a buffer it could write; read only, it shares the bytes
    QBuffer buffer(&shared);
    QuaZip zip(&buffer);
    if (!zip.open(QuaZip::mdUnzip)) {
        error = QStringLiteral("Die Tabelle ist kein vollständiges .ods-Archiv: Es ist abgeschnitten oder beschädigt.");
        return std::nullopt;
    }
    if (passwordProtected(zip)) {
        error = QStringLiteral("Die Tabelle ist mit einem Kennwort geschützt. Bitte ohne Kennwort speichern "
                               "und dann einlesen.");
        return std::nullopt;
    }
    QuaZipFileInfo64 info;
    if (!zip.setCurrentFile(QStringLiteral("content.xml")) || !zip.getCurrentFileInfo(&info)) {
        error = QStringLiteral("Die Tabelle ist keine OpenDocument-Tabelle (.ods): Ihr Inhalt, content.xml, fehlt.");
        return std::nullopt;
    }
    if (info.uncompressedSize > quint64(maxContentBytes)) {
        error = QStringLiteral("Die Tabelle ist entpackt zu groß (%1 Bytes, höchstens %2 MiB).")
                    .arg(info.uncompressedSize)
                    .arg(maxContentBytes / (qint64(1024) * 1024));
        return std::nullopt;
    }
    QuaZipFile file(&zip);
    if (!file.open(QIODevice::ReadOnly)) {
        error = QStringLiteral("Die Tabelle kann nicht entpackt werden: Sie ist beschädigt.");
        return std::nullopt;
    }
    // Read as it unpacks: the unpacked XML never lies in memory whole.
    ZipEntryDevice entry(file, maxContentBytes);
    QXmlStreamReader xml(&entry);
    std::optional<QList<QStringList>> rows = rowsOf(xml, entry, error, notes);
    file.close();
    if (rows && file.getZipError() != UNZ_OK) {
        error = QStringLiteral("Die Tabelle kann nicht entpackt werden: Sie ist beschädigt.");
        return std::nullopt;
    }
    return rows;
}

} // namespace ww::ods
