#include "record.h"
#include "record_fields.h"
#include "record_format.h"
#include "record_storage.h"
#include "record_store.h"
#include "value_lists.h"
#include "windows1252.h"
#include "file_size_limit.h"
#include "without_root.h"
#include "write_file.h"

#include <QCollator>
#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <optional>
#include <fcntl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace ww;
using Code = RecordError::Code;

Q_DECLARE_METATYPE(ww::Record)
Q_DECLARE_METATYPE(ww::RecordError::Code)

namespace {

// The two versions a killed saver alternates between; one is long, to widen
// the moment in which a write is under way.
Record version(bool longOne)
{
    Record r;
    r.name = QStringLiteral("Drache");
    r.mana = longOne ? QStringLiteral("lang") : QStringLiteral("kurz");
    r.text = longOne ? QString(200000, QLatin1Char('x')) : QStringLiteral("kurz");
    return r;
}

// Child side of killedSavesLeaveWholeFiles: saves until it is killed, and
// says on standard output when each save begins ('b') and has ended ('e'),
// so that the parent kills it at a point it chose, not after a guessed time.
[[noreturn]] void saveForever(const QString &directory)
{
    for (bool longOne = false;; longOne = !longOne) {
        if (::write(STDOUT_FILENO, "b", 1) != 1 || storage::write(directory, version(longOne)).isError()
            || ::write(STDOUT_FILENO, "e", 1) != 1)
            std::exit(2);
    }
}

Record sample()
{
    Record r;
    r.kind = 2;
    r.name = QStringLiteral("Feuerball, groß");
    r.magic = 2;
    r.mana = QStringLiteral("X+1");
    r.attack = 100;
    r.defence = 0;
    r.moveEarth = 7;
    r.moveWater = 50;
    r.moveAir = 99;
    r.text = QStringLiteral("Brennt, lodert\r\nund zischt: 5€");
    return r;
}

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

QStringList shownNames(const QList<storage::ListedName> &names)
{
    QStringList shown;
    for (const storage::ListedName &n : names)
        shown.append(n.shown);
    return shown;
}

} // namespace

class TestRecord : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // Each test function gets a folder of its own.
    void init()
    {
        m_dir.emplace();
        QVERIFY(m_dir->isValid());
    }

    void valueLists();
    void recordDirectory_data();
    void recordDirectory();

    void encode_data();
    void encode();

    void windows1252AllBytesRoundTrip();
    void windows1252Encode_data();
    void windows1252Encode();

    void parse_data();
    void parse();
    void parseFailures_data();
    void parseFailures();

    void roundTrip_data();
    void roundTrip();

    void check_data();
    void check();
    void checkRefusesCodesTheReaderRefuses_data();
    void checkRefusesCodesTheReaderRefuses();

    void lineBreaks_data();
    void lineBreaks();

    void writeReplacesWholeFile();
    void writeFailures_data();
    void writeFailures();
    void failedWriteKeepsEarlierFile();

    void readFailures_data();
    void readFailures();

    void listOrderAndFilter();
    void listOrder_data();
    void listOrder();
    void listOrderIsQtsGermanOrder_data();
    void listOrderIsQtsGermanOrder();
    void killedSavesLeaveWholeFiles();
    void leftoversOfKilledSaves();

private:
    std::optional<QTemporaryDir> m_dir;
};

void TestRecord::valueLists()
{
    // The lists' texts are the program's own, to the letter.
    QStringList texts;
    for (const auto *list : {&lists::kinds(), &lists::magicColours()}) {
        for (const ListEntry &e : *list)
            texts.append(QString::number(e.code) + QLatin1Char('=') + e.text);
    }
    QCOMPARE(texts, (QStringList{
                        QStringLiteral("1=Kreatur"), QStringLiteral("2=Zauber"),
                        QStringLiteral("1=Weiße Magie - Ebenen"), QStringLiteral("2=Rote Magie - Gebirge"),
                        QStringLiteral("3=Blaue Magie - Meere"), QStringLiteral("4=Grüne Magie - Wälder"),
                        QStringLiteral("5=Schwarze Magie - Sümpfe")}));
    QCOMPARE(lists::positionOf(lists::magicColours(), 6), -1);
    QCOMPARE(lists::positionOf(lists::percents(), 101), -1);
}

void TestRecord::recordDirectory_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("directory");
    QTest::newRow("creature") << 1 << QStringLiteral("Kreaturen");
    QTest::newRow("spell") << 2 << QStringLiteral("Zauber");
    QTest::newRow("unknown code goes to spells") << 7 << QStringLiteral("Zauber");
    QTest::newRow("zero goes to spells") << 0 << QStringLiteral("Zauber");
}

void TestRecord::recordDirectory()
{
    QFETCH(int, kind);
    QFETCH(QString, directory);
    QCOMPARE(lists::recordDirectory(kind), directory);
}

void TestRecord::encode_data()
{
    QTest::addColumn<Record>("record");
    QTest::addColumn<QByteArray>("bytes");

    Record golden;
    golden.name = QStringLiteral("Kreaturen");
    QTest::newRow("default creature") << golden << QByteArray("1,\"Kreaturen\",1,\"5\",0,0,0,0,0,\"\"\r\n");
    QTest::newRow("all fields, commas and line breaks verbatim")
        << sample()
        << QByteArray("2,\"Feuerball, gro\xdf\",2,\"X+1\",100,0,7,50,99,\"Brennt, lodert\r\nund zischt: 5\x80\"\r\n");
    Record empty;
    empty.mana.clear();
    QTest::newRow("empty texts are two quotes") << empty << QByteArray("1,\"\",1,\"\",0,0,0,0,0,\"\"\r\n");
}

void TestRecord::encode()
{
    QFETCH(Record, record);
    QFETCH(QByteArray, bytes);
    QCOMPARE(format::encode(record), bytes);
}

void TestRecord::windows1252AllBytesRoundTrip()
{
    QByteArray all;
    for (int b = 0; b < 256; ++b)
        all.append(char(b));
    const QString text = windows1252::decode(all);
    QCOMPARE(text.size(), 256);
    QVERIFY(windows1252::unencodable(text).isEmpty());
    QCOMPARE(windows1252::encode(text), all);
    QCOMPARE(text.at(0x80), QChar(0x20AC));
    QCOMPARE(text.at(0x81), QChar(0x0081));
    QCOMPARE(text.at(0x9F), QChar(0x0178));
    QCOMPARE(text.at(0xE4), QChar(0x00E4));
}

void TestRecord::windows1252Encode_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("unencodable");
    QTest::newRow("umlauts") << QStringLiteral("Äöüß") << QByteArray("\xc4\xf6\xfc\xdf") << QStringList();
    QTest::newRow("typographic quotes and dash")
        << QStringLiteral("„a“–…") << QByteArray("\x84" "a\x93\x96\x85") << QStringList();
    QTest::newRow("latin a with macron") << QStringLiteral("Māra") << QByteArray("M?ra")
                                         << QStringList{QStringLiteral("ā")};
    QTest::newRow("emoji is one character")
        << QStringLiteral("x🐉y🐉") << QByteArray("x?y?") << QStringList{QStringLiteral("🐉")};
}

void TestRecord::windows1252Encode()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, unencodable);
    QCOMPARE(windows1252::encode(text), bytes);
    QCOMPARE(windows1252::unencodable(text), unencodable);
}

void TestRecord::parse_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<Record>("record");

    Record golden;
    golden.name = QStringLiteral("Kreaturen");
    QTest::newRow("golden line") << QByteArray("1,\"Kreaturen\",1,\"5\",0,0,0,0,0,\"\"\r\n") << golden;
    QTest::newRow("without final line end") << QByteArray("1,\"Kreaturen\",1,\"5\",0,0,0,0,0,\"\"") << golden;
    QTest::newRow("blanks before fields")
        << QByteArray(" 1,\t\"Kreaturen\",  1 , \"5\",\t0,0,0,0,0,   \"\"\r\n") << golden;
    QTest::newRow("text after closing quote is skipped")
        << QByteArray("1,\"Kreaturen\"junk,1,\"5\"  ,0,0,0,0,0,\"\"x\r\n") << golden;
    QTest::newRow("quoted numbers")
        << QByteArray("\"1\",\"Kreaturen\",\"1\",\"5\",\"0\",0,0,0,0,\"\"\r\n") << golden;
    QTest::newRow("line ends separate fields: LF, CR, CR LF")
        << QByteArray("1\n\"Kreaturen\"\r1\r\n\"5\"\n0\n0,0,0,0\r\"\"\r\n") << golden;
    QTest::newRow("extra text after the tenth field")
        << QByteArray("1,\"Kreaturen\",1,\"5\",0,0,0,0,0,\"\",\"more\",17\r\nsecond line\r\n") << golden;
    QTest::newRow("explicit plus sign") << QByteArray("+1,\"Kreaturen\",1,\"5\",0,0,0,0,0,\"\"") << golden;

    QTest::newRow("commas and line breaks inside quotes")
        << QByteArray("2,\"Feuerball, gro\xdf\",2,\"X+1\",100,0,7,50,99,\"Brennt, lodert\r\nund zischt: 5\x80\"\r\n")
        << sample();

    Record inner = golden;
    inner.name = QStringLiteral("Der ");
    QTest::newRow("a field ends at an inner double quote")
        << QByteArray("1,\"Der \"Alte\"\",1,\"5\",0,0,0,0,0,\"\"\r\n") << inner;

    Record unquotedMana = golden;
    unquotedMana.mana = QStringLiteral("5 + x");
    QTest::newRow("unquoted text loses trailing spaces only")
        << QByteArray("1,\"Kreaturen\",1,5 + x  ,0,0,0,0,0,\"\"\r\n") << unquotedMana;
}

void TestRecord::parse()
{
    QFETCH(QByteArray, bytes);
    QFETCH(Record, record);
    const ReadResult result = format::parse(bytes, QStringLiteral("t.dat"));
    QVERIFY2(result.ok(), qPrintable(result.error().message()));
    QCOMPARE(result.record(), record);
}

void TestRecord::parseFailures_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<Code>("code");
    QTest::addColumn<int>("field");

    QTest::newRow("empty file") << QByteArray() << Code::TooFewFields << 1;
    QTest::newRow("only blanks") << QByteArray(" \t ") << Code::TooFewFields << 1;
    QTest::newRow("nine fields") << QByteArray("1,\"a\",1,\"5\",0,0,0,0,0\r\n") << Code::TooFewFields << 10;
    QTest::newRow("nine fields and a comma") << QByteArray("1,\"a\",1,\"5\",0,0,0,0,0,") << Code::TooFewFields << 10;
    QTest::newRow("truncated description") << QByteArray("1,\"a\",1,\"5\",0,0,0,0,0,\"Es war ei")
                                           << Code::UnclosedQuote << 10;
    QTest::newRow("truncated name") << QByteArray("1,\"Dra") << Code::UnclosedQuote << 2;
    QTest::newRow("word as kind") << QByteArray("Kreatur,\"a\",1,\"5\",0,0,0,0,0,\"\"") << Code::NotANumber << 1;
    QTest::newRow("empty number") << QByteArray("1,\"a\",,\"5\",0,0,0,0,0,\"\"") << Code::NotANumber << 3;
    QTest::newRow("decimal") << QByteArray("1,\"a\",1,\"5\",1.5,0,0,0,0,\"\"") << Code::NotANumber << 5;
    QTest::newRow("digits then letters") << QByteArray("1,\"a\",1,\"5\",0,12abc,0,0,0,\"\"") << Code::NotANumber << 6;
    QTest::newRow("sign alone") << QByteArray("1,\"a\",1,\"5\",0,0,-,0,0,\"\"") << Code::NotANumber << 7;
    QTest::newRow("NUL after a digit") << QByteArray("1\0,\"a\",1,\"5\",0,0,0,0,0,\"\"", 25) << Code::NotANumber << 1;
    // Too large for any list is out of range, however many digits it has.
    QTest::newRow("too many digits") << QByteArray("1,\"a\",1,\"5\",0,0,0,99999999999,0,\"\"") << Code::OutOfRange << 8;
    QTest::newRow("twenty digits as kind") << QByteArray("99999999999999999999,\"a\",1,\"5\",0,0,0,0,0,\"\"")
                                           << Code::OutOfRange << 1;
    QTest::newRow("largest int as kind") << QByteArray("2147483647,\"a\",1,\"5\",0,0,0,0,0,\"\"")
                                         << Code::OutOfRange << 1;
    QTest::newRow("kind 0") << QByteArray("0,\"a\",1,\"5\",0,0,0,0,0,\"\"") << Code::OutOfRange << 1;
    QTest::newRow("kind 3") << QByteArray("3,\"a\",1,\"5\",0,0,0,0,0,\"\"") << Code::OutOfRange << 1;
    QTest::newRow("magic 0") << QByteArray("1,\"a\",0,\"5\",0,0,0,0,0,\"\"") << Code::OutOfRange << 3;
    QTest::newRow("magic 6") << QByteArray("1,\"a\",6,\"5\",0,0,0,0,0,\"\"") << Code::OutOfRange << 3;
    QTest::newRow("attack 101") << QByteArray("1,\"a\",1,\"5\",101,0,0,0,0,\"\"") << Code::OutOfRange << 5;
    QTest::newRow("air -1") << QByteArray("1,\"a\",1,\"5\",0,0,0,0,-1,\"\"") << Code::OutOfRange << 9;
}

void TestRecord::parseFailures()
{
    QFETCH(QByteArray, bytes);
    QFETCH(Code, code);
    QFETCH(int, field);
    const ReadResult result = format::parse(bytes, QStringLiteral("Kreaturen/x.dat"));
    QVERIFY(!result.ok());
    QCOMPARE(result.error().code(), code);
    QCOMPARE(result.error().field(), field);
    // The message names the file and the field for the user.
    const QString message = result.error().message();
    QVERIFY(message.contains(QStringLiteral("Kreaturen/x.dat")));
    QVERIFY(message.contains(fields::caption(field)));
    QVERIFY2(std::none_of(message.begin(), message.end(), [](QChar c) { return c.category() == QChar::Other_Control; }),
             qPrintable(message));
}

void TestRecord::roundTrip_data()
{
    QTest::addColumn<Record>("record");
    QTest::newRow("sample") << sample();
    Record every;
    for (int b = 0; b < 256; ++b) {
        if (b != '"')
            every.text.append(windows1252::decode(QByteArray(1, char(b))));
    }
    every.name = QStringLiteral("Alle Zeichen");
    every.mana = QStringLiteral(" 5 ");
    QTest::newRow("every Windows-1252 character but the quote") << every;
    Record lines;
    lines.name = QStringLiteral("Zeilen, viele");
    lines.text = QStringLiteral("eins\r\n\r\nzwei,\r\n  drei\r\n");
    QTest::newRow("several lines, blank line, trailing break") << lines;
    Record longest;
    longest.name = QString(format::maxNameBytes / 2, QChar(0xE4)) + QString(format::maxNameBytes % 2, QLatin1Char('x'));
    QTest::newRow("longest name the check lets through") << longest;
}

void TestRecord::roundTrip()
{
    QFETCH(Record, record);
    QVERIFY(!format::check(record).isError());
    QVERIFY(!storage::write(m_dir->path(), record).isError());
    // What saved once saves again, replacing itself.
    const RecordError again = storage::write(m_dir->path(), record);
    QVERIFY2(!again.isError(), qPrintable(again.message()));
    const ReadResult back = storage::read(storage::pathFor(m_dir->path(), record.name));
    QVERIFY2(back.ok(), qPrintable(back.error().message()));
    QCOMPARE(back.record(), record);
}

void TestRecord::check_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("mana");
    QTest::addColumn<QString>("text");
    QTest::addColumn<Code>("code");
    QTest::addColumn<int>("field");

    const QString ok = QStringLiteral("Drache");
    const QString five = QStringLiteral("5");
    QTest::newRow("plain") << ok << five << QString() << Code::None << 0;
    QTest::newRow("umlauts, spaces, comma, leading dot")
        << QStringLiteral(".Grüner Drache, alt") << five << QStringLiteral("€ – „ok“") << Code::None << 0;
    QTest::newRow("three dots are a name") << QStringLiteral("...") << five << QString() << Code::None << 0;
    QTest::newRow("empty name") << QString() << five << QString() << Code::EmptyName << 2;
    QTest::newRow("quote in name") << QStringLiteral("Der \"Alte\"") << five << QString() << Code::QuoteInText << 2;
    QTest::newRow("quote in mana") << ok << QStringLiteral("5\"") << QString() << Code::QuoteInText << 4;
    QTest::newRow("quote in text") << ok << five << QStringLiteral("sagt \"hi\"") << Code::QuoteInText << 10;
    QTest::newRow("macron in name") << QStringLiteral("Māra") << five << QString() << Code::Unencodable << 2;
    QTest::newRow("emoji in text") << ok << five << QStringLiteral("🐉") << Code::Unencodable << 10;
    QTest::newRow("slash") << QStringLiteral("a/b") << five << QString() << Code::NameWithSeparator << 2;
    QTest::newRow("backslash") << QStringLiteral("a\\b") << five << QString() << Code::NameWithSeparator << 2;
    QTest::newRow("parent") << QStringLiteral("../x") << five << QString() << Code::NameWithSeparator << 2;
    QTest::newRow("dot") << QStringLiteral(".") << five << QString() << Code::NameIsDot << 2;
    QTest::newRow("dot dot") << QStringLiteral("..") << five << QString() << Code::NameIsDot << 2;
    QTest::newRow("tab") << QStringLiteral("a\tb") << five << QString() << Code::NameWithControl << 2;
    QTest::newRow("line break") << QStringLiteral("a\r\nb") << five << QString() << Code::NameWithControl << 2;
    // The replacing save writes NAME.dat.XXXXXX first: that must fit in 255 bytes too.
    QTest::newRow("244 bytes fit") << QString(244, QLatin1Char('a')) << five << QString() << Code::None << 0;
    QTest::newRow("245 bytes do not") << QString(245, QLatin1Char('a')) << five << QString() << Code::NameTooLong << 2;
    Record bare;
    bare.name = ok;
    bare.text.clear();
    const qsizetype room = format::maxFileBytes - format::encode(bare).size();
    QTest::newRow("description filling the file exactly") << ok << five << QString(room, QLatin1Char('x'))
                                                          << Code::None << 0;
    QTest::newRow("description one byte over the file limit")
        << ok << five << QString(room + 1, QLatin1Char('x')) << Code::RecordTooLarge << 10;
    QTest::newRow("mana over the file limit") << ok << QString(room + 2, QLatin1Char('5')) << QString()
                                              << Code::RecordTooLarge << 4;
    QTest::newRow("umlauts count two bytes") << QString(126, QChar(0xE4)) << five << QString() << Code::NameTooLong << 2;
}

void TestRecord::check()
{
    QFETCH(QString, name);
    QFETCH(QString, mana);
    QFETCH(QString, text);
    QFETCH(Code, code);
    QFETCH(int, field);
    Record r;
    r.name = name;
    r.mana = mana;
    r.text = text;
    const RecordError error = format::check(r);
    QCOMPARE(error.code(), code);
    QCOMPARE(error.field(), field);
    if (error.isError())
        QVERIFY(!error.message().isEmpty());
    if (code == Code::RecordTooLarge)
        QVERIFY2(error.message().contains(QStringLiteral("1 MiB")), qPrintable(error.message()));
    if (code == Code::Unencodable)
        QVERIFY2(error.message().contains(windows1252::unencodable(name + text).constFirst()),
                 qPrintable(error.message()));
}

void TestRecord::checkRefusesCodesTheReaderRefuses_data()
{
    QTest::addColumn<int>("position");
    QTest::addColumn<int>("code");
    QTest::newRow("kind 100") << fields::positionOf(&Record::kind) << 100;
    QTest::newRow("magic -1") << fields::positionOf(&Record::magic) << -1;
    QTest::newRow("attack 2147483647") << fields::positionOf(&Record::attack) << 2147483647;
    QTest::newRow("air 101") << fields::positionOf(&Record::moveAir) << 101;
}

void TestRecord::checkRefusesCodesTheReaderRefuses()
{
    QFETCH(int, position);
    QFETCH(int, code);
    Record r;
    r.name = QStringLiteral("Drache");
    r.*fields::at(position).code = code;
    const RecordError error = format::check(r);
    QCOMPARE(error.code(), Code::CodeNotInList);
    QCOMPARE(error.field(), position);
    // The reader refuses the same bytes.
    QVERIFY(!format::parse(format::encode(r), QStringLiteral("x.dat")).ok());
}

void TestRecord::lineBreaks_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("edited");
    QTest::addColumn<QString>("storedAgain");
    QTest::newRow("CR LF") << QStringLiteral("a\r\nb") << QStringLiteral("a\nb") << QStringLiteral("a\r\nb");
    QTest::newRow("lone LF") << QStringLiteral("a\nb") << QStringLiteral("a\nb") << QStringLiteral("a\r\nb");
    QTest::newRow("lone CR") << QStringLiteral("a\rb") << QStringLiteral("a\nb") << QStringLiteral("a\r\nb");
    QTest::newRow("blank line") << QStringLiteral("a\r\n\r\nb") << QStringLiteral("a\n\nb")
                                << QStringLiteral("a\r\n\r\nb");
}

void TestRecord::lineBreaks()
{
    QFETCH(QString, stored);
    QFETCH(QString, edited);
    QFETCH(QString, storedAgain);
    QCOMPARE(storedTextToEditor(stored), edited);
    QCOMPARE(editorTextToStored(edited), storedAgain);
}

void TestRecord::writeReplacesWholeFile()
{
    const QString path = m_dir->filePath(QStringLiteral("Kurz.dat"));
    writeFile(path, QByteArray(500, 'x'));
    Record r;
    r.name = QStringLiteral("Kurz");
    QVERIFY(!storage::write(m_dir->path(), r).isError());
    QCOMPARE(readAll(path), format::encode(r));
}

void TestRecord::writeFailures_data()
{
    QTest::addColumn<QString>("setup");
    QTest::addColumn<Code>("code");
    QTest::addColumn<QString>("mentioned");
    QTest::newRow("directory missing") << QStringLiteral("missing") << Code::DirectoryMissing << QString();
    QTest::newRow("a file in place of the directory") << QStringLiteral("file") << Code::DirectoryBlocked << QString();
    QTest::newRow("a directory named like the record file")
        << QStringLiteral("dir") << Code::TargetIsDirectory << QString();
    // No earlier file: nothing to keep, so the message promises nothing.
    QTest::newRow("directory without write permission") << QStringLiteral("readonly") << Code::CreateFailed
                                                        << QString();
    QTest::newRow("write-protected record file") << QStringLiteral("protected") << Code::NotWritable << QString();
    QTest::newRow("a dangling link in place of the directory")
        << QStringLiteral("dangling") << Code::DirectoryBlocked << QString();
    QTest::newRow("read-only file system, earlier file")
        << QStringLiteral("rofs") << Code::WriteFailed << QStringLiteral("das Dateisystem ist schreibgeschützt");

}

void TestRecord::writeFailures()
{
    QFETCH(QString, setup);
    QFETCH(Code, code);
    QFETCH(QString, mentioned);
    const QString dir = m_dir->filePath(QStringLiteral("w_") + setup);
    Record r;
    r.name = QStringLiteral("Drache");
    const QString target = storage::pathFor(dir, r.name);
    if (setup == QLatin1String("file")) {
        writeFile(dir, "x");
    } else if (setup == QLatin1String("dangling")) {
        // Creating the folder must not follow the link to wherever it points.
        QVERIFY(QFile::link(m_dir->filePath(QStringLiteral("nirgends")), dir));
        QCOMPARE(storage::ensureDirectory(dir).code(), code);
        QVERIFY(!QFileInfo::exists(m_dir->filePath(QStringLiteral("nirgends"))));
        return;
    } else if (setup != QLatin1String("missing")) {
        QVERIFY(QDir().mkpath(dir));
    }
    if (setup == QLatin1String("dir"))
        QVERIFY(QDir().mkpath(target));
    if (setup == QLatin1String("rofs")) {
        const QByteArray mountPoint = QFile::encodeName(dir);
        if (::mount("tmpfs", mountPoint.constData(), "tmpfs", 0, "size=64k") != 0)
            QSKIP("no permission to mount a file system here");
        writeFile(target, "old");
        const bool readOnly =
            ::mount("tmpfs", mountPoint.constData(), "tmpfs", MS_REMOUNT | MS_RDONLY, "size=64k") == 0;
        const RecordError error = storage::write(dir, r);
        const QByteArray after = readAll(target);
        ::umount2(mountPoint.constData(), MNT_DETACH);
        QVERIFY(readOnly);
        QCOMPARE(error.code(), code);
        QVERIFY2(error.message().contains(mentioned), qPrintable(error.message()));
        QCOMPARE(after, QByteArray("old"));
        return;
    }
    if (setup == QLatin1String("readonly") || setup == QLatin1String("protected")) {
        if (setup == QLatin1String("protected")) {
            writeFile(target, "old");
            QVERIFY(QFile::setPermissions(target, QFile::ReadOwner));
        } else {
            QVERIFY(QFile::setPermissions(dir, QFile::ReadOwner | QFile::ExeOwner));
        }
    }
    const auto got = Code(withoutRoot(m_dir->path(), [&] { return int(storage::write(dir, r).code()); }));
    QFile::setPermissions(dir, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QCOMPARE(got, code);
    if (setup == QLatin1String("protected"))
        QCOMPARE(readAll(target), QByteArray("old"));
    if (!mentioned.isEmpty()) {
        const QString message = storage::write(dir, r).message();
        QVERIFY2(message.contains(mentioned), qPrintable(message));
    }
}

void TestRecord::failedWriteKeepsEarlierFile()
{
    // A file size limit makes the write fail partway, as a full disk would.
    Record before = sample();
    QVERIFY(!storage::write(m_dir->path(), before).isError());
    const QString path = storage::pathFor(m_dir->path(), before.name);
    const QByteArray earlier = readAll(path);

    Record after = before;
    after.text = QString(4000, QLatin1Char('y'));
    const RecordError error = [&] {
        FileSizeLimit limit(1000);
        return storage::write(m_dir->path(), after);
    }();

    QCOMPARE(error.code(), Code::WriteFailed);
    QVERIFY2(error.message().contains(QStringLiteral("zu groß")), qPrintable(error.message()));
    QCOMPARE(readAll(path), earlier);
    // No half-written temporary file is left beside it.
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files | QDir::Hidden), QStringList{before.name + QStringLiteral(".dat")});
}

void TestRecord::readFailures_data()
{
    QTest::addColumn<QString>("setup");
    QTest::addColumn<Code>("code");
    QTest::newRow("missing") << QStringLiteral("missing") << Code::NotFound;
    QTest::newRow("directory") << QStringLiteral("dir") << Code::NotRegular;
    QTest::newRow("fifo must not block") << QStringLiteral("fifo") << Code::NotRegular;
    QTest::newRow("device") << QStringLiteral("device") << Code::NotRegular;
    QTest::newRow("over 1 MiB") << QStringLiteral("large") << Code::TooLarge;
    QTest::newRow("exactly 1 MiB reads") << QStringLiteral("limit") << Code::None;
    QTest::newRow("no read permission") << QStringLiteral("unreadable") << Code::Unreadable;
    QTest::newRow("symlink loop") << QStringLiteral("loop") << Code::Unreadable;
    // Listing a folder: one that cannot be read is never taken for an empty one.
    QTest::newRow("folder: missing lists nothing") << QStringLiteral("folder missing") << Code::None;
    QTest::newRow("folder: no read permission") << QStringLiteral("folder unreadable") << Code::FolderUnreadable;
    QTest::newRow("folder: a file in its place") << QStringLiteral("folder file") << Code::FolderUnreadable;
}

void TestRecord::readFailures()
{
    QFETCH(QString, setup);
    QFETCH(Code, code);
    QString path = m_dir->filePath(setup + QStringLiteral(".dat"));
    if (setup == QLatin1String("dir")) {
        QVERIFY(QDir().mkpath(path));
    } else if (setup == QLatin1String("fifo")) {
        QCOMPARE(mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    } else if (setup == QLatin1String("device")) {
        path = QStringLiteral("/dev/zero");
    } else if (setup == QLatin1String("large")) {
        QByteArray big = "1,\"a\",1,\"5\",0,0,0,0,0,\"";
        big.append(QByteArray(format::maxFileBytes, 'x'));
        writeFile(path, big + "\"\r\n");
    } else if (setup == QLatin1String("limit")) {
        QByteArray full = "1,\"a\",1,\"5\",0,0,0,0,0,\"";
        full.append(QByteArray(format::maxFileBytes - full.size() - 3, 'x'));
        writeFile(path, full + "\"\r\n");
        QCOMPARE(QFileInfo(path).size(), format::maxFileBytes);
    } else if (setup == QLatin1String("loop")) {
        QVERIFY(QFile::link(QStringLiteral("loop.dat"), path));
        QVERIFY2(storage::read(path).error().message().contains(QStringLiteral("im Kreis")),
                 qPrintable(storage::read(path).error().message()));
    } else if (setup == QLatin1String("unreadable")) {
        writeFile(path, "1,\"a\",1,\"5\",0,0,0,0,0,\"\"\r\n");
        QVERIFY(QFile::setPermissions(path, QFile::WriteOwner));
    } else if (setup == QLatin1String("folder unreadable")) {
        QVERIFY(QDir().mkpath(path));
        writeFile(path + QStringLiteral("/a.dat"), "1,\"a\",1,\"5\",0,0,0,0,0,\"\"\r\n");
        QVERIFY(QFile::setPermissions(path, QFile::WriteOwner | QFile::ExeOwner));
    } else if (setup == QLatin1String("folder file")) {
        writeFile(path, "");
    }
    const bool folder = setup.startsWith(QLatin1String("folder"));
    const auto got = Code(withoutRoot(m_dir->path(), [&] {
        return int(folder ? storage::list(path).error.code() : storage::read(path).error().code());
    }));
    QCOMPARE(got, code);
    if (code != Code::None)
        QVERIFY(RecordError(got, path).message().contains(path));
}

void TestRecord::listOrderAndFilter()
{
    const QDir dir(m_dir->path());
    for (const char *name : {"zebra.dat", "drache 10.dat", "Drache 2.dat", "Ärger.dat", "Adler.dat", ".versteckt.dat",
                             "notiz.txt", "Drache.dat.Ab12Cd"})
        writeFile(dir.filePath(QString::fromUtf8(name)), "x");
    QVERIFY(dir.mkdir(QStringLiteral("ordner.dat")));
    // A Latin-1 name from a Windows archive shows readably and reads by its own bytes.
    const QByteArray latin = QFile::encodeName(dir.path()) + "/latin\xe4.dat";
    QVERIFY(::close(::open(latin.constData(), O_CREAT | O_WRONLY, 0644)) == 0);
    const QList<storage::ListedName> listed = storage::list(m_dir->path()).names;
    const auto found = std::find_if(listed.begin(), listed.end(),
                                    [](const storage::ListedName &n) { return n.native == "latin\xe4.dat"; });
    QVERIFY(found != listed.end());
    QCOMPARE(found->shown, QStringLiteral("latinä.dat"));
    QCOMPARE(storage::read(latin, found->shown).error().code(), Code::TooFewFields); // found, and empty
    QCOMPARE(shownNames(listed),
             (QStringList{QStringLiteral(".versteckt.dat"), QStringLiteral("Adler.dat"), QStringLiteral("Ärger.dat"),
                          QStringLiteral("Drache 2.dat"), QStringLiteral("drache 10.dat"),
                          QStringLiteral("latinä.dat"), QStringLiteral("zebra.dat")}));
}

void TestRecord::listOrder_data()
{
    QTest::addColumn<QString>("ordered");
    // Names that tie in German order follow their bytes.
    QTest::newRow("only the numbers differ, past a long shared start")
        << "Kreatur 9|kreatur 9|Kreatur 10|Kreatur 100000000000000001|Kreatur 100000000000000002";
    QTest::newRow("umlauts and sharp s") << "Abend|Arger|Ärger|Argument|Strasse|Straße|Strassen";
    QTest::newRow("leading zeros") << "Drache 007|Drache 7|Drache 8";
    QTest::newRow("one name") << "a";
    QTest::newRow("all tie") << "ABC|AbC|abc";
}

void TestRecord::listOrder()
{
    QFETCH(QString, ordered);
    QStringList names = ordered.split(QLatin1Char('|'));
    for (QString &name : names)
        name += QStringLiteral(".dat");
    for (auto name = names.crbegin(); name != names.crend(); ++name)
        writeFile(QDir(m_dir->path()).filePath(*name), "x");
    QCOMPARE(shownNames(storage::list(m_dir->path()).names), names);
}

void TestRecord::listOrderIsQtsGermanOrder_data()
{
    QTest::addColumn<QString>("alphabet"); // names are drawn from it
    QTest::addColumn<QString>("start"); // every name begins so
    QTest::newRow("letters in both cases") << QStringLiteral("aAbBkKzZ") << QString();
    QTest::newRow("umlauts, sharp s, accents") << QStringLiteral("aäÄoöuüsßeéè") << QString();
    QTest::newRow("numbers among letters") << QStringLiteral("0123456789ab ") << QString();
    QTest::newRow("punctuation and spaces") << QStringLiteral("a -_.,'()!+&") << QString();
    QTest::newRow("a long shared start") << QStringLiteral("09aA") << QStringLiteral("Kreatur des Nordens ");
}

void TestRecord::listOrderIsQtsGermanOrder()
{
    QFETCH(QString, alphabet);
    QFETCH(QString, start);
    QRandomGenerator random(7);
    QStringList names;
    while (names.size() < 300) {
        QString name = start;
        for (int n = int(random.bounded(1, 9)); n > 0; --n)
            name += alphabet.at(int(random.bounded(int(alphabet.size()))));
        name = name.trimmed() + QStringLiteral(".dat");
        if (name != QStringLiteral(".dat") && !names.contains(name)) {
            names.append(name);
            writeFile(QDir(m_dir->path()).filePath(name), "x");
        }
    }
    // What a list sorted by Qt's own German collator shows, ties by bytes.
    QCollator german{QLocale(QLocale::German, QLocale::Germany)};
    german.setCaseSensitivity(Qt::CaseInsensitive);
    german.setNumericMode(true);
    std::sort(names.begin(), names.end(), [&](const QString &a, const QString &b) {
        const int c = german.compare(a, b);
        return c != 0 ? c < 0 : a.toUtf8() < b.toUtf8();
    });
    QCOMPARE(shownNames(storage::list(m_dir->path()).names), names);
}

void TestRecord::killedSavesLeaveWholeFiles()
{
    const QString directory = m_dir->path();
    const QString path = storage::pathFor(directory, QStringLiteral("Drache"));
    QRandomGenerator random(4711);
    int killedInside = 0;
    const int rounds = 200;
    for (int round = 0; round < rounds; ++round) {
        QProcess saver;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("WW_SAVE_FOREVER"), directory);
        saver.setProcessEnvironment(env);
        saver.start(QCoreApplication::applicationFilePath(), {});
        QVERIFY(saver.waitForStarted());
        // Killed after 1 to 3 finished saves, every other round as soon as
        // the next one has begun: counted, not timed, so a busy machine
        // only makes the round take longer.
        const qsizetype finished = random.bounded(1, 4);
        const bool inside = round % 2 == 1;
        QByteArray said;
        while (said.count('e') < finished || (inside && !said.endsWith('b'))) {
            QVERIFY2(saver.waitForReadyRead(60000), "the saver said nothing");
            said += saver.readAllStandardOutput();
        }
        ::kill(pid_t(saver.processId()), SIGKILL);
        QVERIFY(saver.waitForFinished());
        QCOMPARE(saver.exitStatus(), QProcess::CrashExit);
        said += saver.readAllStandardOutput();

        // Save n (from 0) wrote the long version when n is odd.
        const qsizetype done = said.count('e');
        const Record last = version((done - 1) % 2 == 1);
        const ReadResult result = storage::read(path);
        QVERIFY2(result.ok(), qPrintable(QStringLiteral("round %1: %2").arg(round).arg(result.error().message())));
        if (said.endsWith('b')) {
            ++killedInside; // the earlier file, or the whole new one
            QVERIFY(result.record() == last || result.record() == version(done % 2 == 1));
        } else {
            QVERIFY(result.record() == last);
        }
        // Left-over temporary files never show up among the records.
        QCOMPARE(shownNames(storage::list(directory).names), QStringList{QStringLiteral("Drache.dat")});
    }
    qInfo("%d of %d rounds killed inside a save", killedInside, rounds);
    QVERIFY2(killedInside > 0, "no round was killed inside a save");
}

void TestRecord::leftoversOfKilledSaves()
{
    const RecordStore store(m_dir->path());
    const QDateTime old = QDateTime::currentDateTimeUtc().addSecs(-300);
    const auto plant = [&](const char *name, bool settled) {
        const QString path = store.folder(lists::creatureKind) + QLatin1Char('/') + QString::fromLatin1(name);
        writeFile(path, "x");
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadWrite));
        if (settled)
            QVERIFY(f.setFileTime(old, QFileDevice::FileModificationTime));
    };
    plant("Drache.dat", true);
    plant("Drache.dat.Ab12Cd", true); // a killed save's, long ago
    plant("Drache.dat.Xy34Zw", false); // may be a save under way elsewhere
    plant("Drache.dat.notiz", true); // not a temporary's name
    plant("Adler.dat.Qq11Rr", true); // another record's
    QCOMPARE(store.removeLeftovers(lists::creatureKind, QStringLiteral("Drache.dat")), 1);
    QStringList left = QDir(store.folder(lists::creatureKind)).entryList(QDir::Files);
    left.sort();
    QCOMPARE(left, (QStringList{QStringLiteral("Adler.dat.Qq11Rr"), QStringLiteral("Drache.dat"),
                                QStringLiteral("Drache.dat.Xy34Zw"), QStringLiteral("Drache.dat.notiz")}));
}

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsSet("WW_SAVE_FOREVER"))
        saveForever(qEnvironmentVariable("WW_SAVE_FOREVER"));
    QCoreApplication app(argc, argv);
    TestRecord test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}
#include "tst_record.moc"
