#pragma once

#include <QString>

namespace ww {

// Why reading, checking or writing a record did not succeed. Empty on success.
class RecordError
{
public:
    enum class Code {
        None,
        // reading
        NotFound,
        NotRegular,
        Unreadable,
        TooLarge,
        FolderUnreadable, // exists, but cannot be listed
        TooFewFields,
        UnclosedQuote,
        NotANumber,
        OutOfRange,
        // what the file format cannot hold
        EmptyName,
        QuoteInText,
        Unencodable,
        NameWithSeparator,
        NameIsDot,
        NameWithControl,
        NameTooLong,
        RecordTooLarge,
        CodeNotInList, // a code no list entry has, which the reader would refuse
        // writing
        DirectoryMissing,
        DirectoryBlocked,
        DirectoryNotCreated,
        TargetIsDirectory,
        TargetIsLink, // written through, it could land outside the record folder
        NotWritable,
        WriteFailed, // replacing an earlier file, which stays as it was
        CreateFailed, // a new file, of which nothing is left behind
    };

    RecordError() = default;
    RecordError(Code code, QString path, int field = 0, QString detail = QString());

    Code code() const { return m_code; }
    bool isError() const { return m_code != Code::None; }
    const QString &path() const { return m_path; }
    // Field position 1..10 the problem lies in, 0 where none applies.
    int field() const { return m_field; }
    // The offending value, characters or the reason the system gave.
    const QString &detail() const { return m_detail; }

    // A German sentence for the user that names the file or field and the problem.
    QString message() const;

    // German wording of a system error number, for messages.
    static QString reasonFromErrno(int error);

private:
    QString checkMessage() const;

    Code m_code = Code::None;
    QString m_path;
    int m_field = 0;
    QString m_detail;
};

} // namespace ww
