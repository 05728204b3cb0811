#include "word_list.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

namespace ww::spelling::wordlist {

QString personalPath()
{
    return QDir(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation))
        .filePath(QStringLiteral("ww_editor/woerter.txt"));
}

QStringList read(const QString &path, QString *error)
{
    QStringList words;
    QFile file(path);
    if (!file.exists())
        return words;
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = QStringLiteral("Die Wortliste '%1' kann nicht gelesen werden: %2").arg(path, file.errorString());
        return words;
    }
    const QString text = QString::fromUtf8(file.readAll());
    for (const QStringView line : QStringView(text).split(QLatin1Char('\n'))) {
        // Lines may end in CR LF where the list was edited on Windows.
        if (const QStringView word = line.trimmed(); !word.isEmpty())
            words.append(word.toString());
    }
    return words;
}

bool append(const QString &path, const QString &word, QString *error)
{
    const auto fail = [&](const QString &why) {
        *error = QStringLiteral("Das Wort '%1' konnte nicht in die Wortliste '%2' geschrieben werden: %3")
                     .arg(word, path, why);
        return false;
    };
    if (!QDir().mkpath(QFileInfo(path).absolutePath()))
        return fail(QStringLiteral("Der Ordner kann nicht angelegt werden."));
    QFile file(path);
    if (!file.open(QIODevice::ReadWrite | QIODevice::Append))
        return fail(file.errorString());
    QByteArray line = word.toUtf8() + '\n';
    // A last line without its line end, as some editors leave it, stays a word of its own.
    if (file.size() > 0 && file.seek(file.size() - 1) && file.read(1) != "\n")
        line.prepend('\n');
    if (file.write(line) != line.size() || !file.flush())
        return fail(file.errorString());
    return true;
}

} // namespace ww::spelling::wordlist
