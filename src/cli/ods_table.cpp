#include "ods_table.h"

#include <QBuffer>
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
constexpr qsizetype maxCells = qsizetype(4) * 1000 * 1000;

// How often a row or cell stands, at least once and bounded, so that sums of
// them cannot overflow before the cell bound refuses them.
qsizetype repeated(const QXmlStreamAttributes &attributes, const QString &name)
{
    return std::clamp<qsizetype>(attributes.value(tableNs, name).toLongLong(), 1, maxCells + 1);
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

// The text of a cell: its paragraphs joined by LF, spaces and tabs restored.
QString cellText(QXmlStreamReader &xml)
{
    QString text;
    bool firstParagraph = true;
    int depth = 0;
    while (!xml.atEnd()) {
        const QXmlStreamReader::TokenType token = xml.readNext();
        if (token == QXmlStreamReader::StartElement) {
            ++depth;
            const QStringView name = xml.name();
            if (xml.namespaceUri() == textNs && name == QLatin1String("p") && depth == 1) {
                if (!firstParagraph)
                    text += QLatin1Char('\n');
                firstParagraph = false;
            } else if (xml.namespaceUri() == textNs && name == QLatin1String("s")) {
                const int count = xml.attributes().hasAttribute(textNs, QStringLiteral("c"))
                    ? xml.attributes().value(textNs, QStringLiteral("c")).toInt()
                    : 1;
                text += QString(std::clamp(count, 1, 32767), QLatin1Char(' '));
            } else if (xml.namespaceUri() == textNs && name == QLatin1String("tab")) {
                text += QLatin1Char('\t');
            } else if (xml.namespaceUri() == textNs && name == QLatin1String("line-break")) {
                text += QLatin1Char('\n');
            } else if (xml.namespaceUri() == officeNs && name == QLatin1String("annotation")) {
                xml.skipCurrentElement(); // a comment on the cell, not its text
                --depth;
            }
        } else if (token == QXmlStreamReader::EndElement) {
            if (depth-- == 0)
                break; // the cell's own end
        } else if (token == QXmlStreamReader::Characters && depth > 0) {
            text += xml.text();
        }
    }
    return text;
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

std::optional<QList<QStringList>> read(const QByteArray &data, QString &error)
{
    QByteArray copy = data;
    QBuffer buffer(&copy);
    QuaZip zip(&buffer);
    QuaZipFileInfo64 info;
    if (!zip.open(QuaZip::mdUnzip) || !zip.setCurrentFile(QStringLiteral("content.xml"))
        || !zip.getCurrentFileInfo(&info)) {
        error = QStringLiteral("Die Tabelle ist keine lesbare OpenDocument-Tabelle (.ods): content.xml fehlt.");
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
        error = QStringLiteral("Die Tabelle kann nicht entpackt werden.");
        return std::nullopt;
    }
    // Read no more than the entry claims: a lying size must not get past the bound.
    const QByteArray xmlBytes = file.read(maxContentBytes + 1);
    file.close();
    if (xmlBytes.size() > maxContentBytes || file.getZipError() != UNZ_OK) {
        error = QStringLiteral("Die Tabelle kann nicht entpackt werden: Sie ist beschädigt oder zu groß.");
        return std::nullopt;
    }

    QXmlStreamReader xml(xmlBytes);
    QList<QStringList> rows;
    qsizetype cells = 0;
    const auto tooLarge = [&] {
        error = QStringLiteral("Die Tabelle hat mehr als %1 Zellen.").arg(maxCells);
        return std::nullopt;
    };
    int tables = 0;
    qsizetype emptyRows = 0;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement || xml.namespaceUri() != tableNs)
            continue;
        if (xml.name() == QLatin1String("table") && ++tables > 1)
            break; // the first sheet only
        if (xml.name() != QLatin1String("table-row"))
            continue;
        const qsizetype rowRepeat = repeated(xml.attributes(), QStringLiteral("number-rows-repeated"));
        QStringList row;
        qsizetype emptyCells = 0; // added only once a cell with text follows them
        while (xml.readNextStartElement()) {
            if (xml.namespaceUri() != tableNs
                || (xml.name() != QLatin1String("table-cell") && xml.name() != QLatin1String("covered-table-cell"))) {
                xml.skipCurrentElement();
                continue;
            }
            const QXmlStreamAttributes attributes = xml.attributes();
            const qsizetype repeat = repeated(attributes, QStringLiteral("number-columns-repeated"));
            const QStringView type = attributes.value(officeNs, QStringLiteral("value-type"));
            QString value = cellText(xml);
            if (type == QLatin1String("float") || type == QLatin1String("percentage") || type == QLatin1String("currency"))
                value = attributes.value(officeNs, QStringLiteral("value")).toString();
            else if (type == QLatin1String("boolean"))
                value = attributes.value(officeNs, QStringLiteral("boolean-value")).toString();
            if (value.isEmpty()) {
                emptyCells = std::min(emptyCells + repeat, maxCells + 1);
                continue;
            }
            if ((cells += emptyCells + repeat) > maxCells)
                return tooLarge();
            appendAfterBlanks(row, emptyCells, value, repeat);
        }
        // Empty rows count only before a row with text: a sheet ends in a million blank ones.
        if (row.isEmpty()) {
            emptyRows = std::min(emptyRows + rowRepeat, maxCells + 1);
            continue;
        }
        if ((cells += emptyRows + row.size() * rowRepeat) > maxCells)
            return tooLarge();
        appendAfterBlanks(rows, emptyRows, row, rowRepeat);
    }
    if (xml.hasError()) {
        error = QStringLiteral("Die Tabelle ist beschädigt: %1 (Zeile %2 von content.xml).")
                    .arg(xml.errorString())
                    .arg(xml.lineNumber());
        return std::nullopt;
    }
    return rows;
}

} // namespace ww::ods
