#pragma once

#include <QDirIterator>
#include <QFile>
#include <QString>

#include <grp.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

// Permissions mean nothing to root, and CI runs as root. Run so, `action`
// goes to a child process that first hands the folder `tree` to the user
// nobody and becomes that user; otherwise it runs here. Gives what `action`
// returned (0..255), or -1 when the child did not end normally.
template<typename Action>
int withoutRoot(const QString &tree, Action action)
{
    if (::geteuid() != 0)
        return action();
    constexpr uid_t nobody = 65534;
    const auto give = [](const QString &path) { return ::lchown(QFile::encodeName(path).constData(), nobody, nobody) == 0; };
    if (!give(tree))
        return -1;
    for (QDirIterator it(tree, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                         QDirIterator::Subdirectories);
         it.hasNext();) {
        if (!give(it.next()))
            return -1;
    }
    const pid_t child = ::fork();
    if (child == 0) {
        if (::setgroups(0, nullptr) != 0 || ::setgid(nobody) != 0 || ::setuid(nobody) != 0)
            ::_exit(255);
        ::_exit(action());
    }
    int status = 0;
    if (child < 0 || ::waitpid(child, &status, 0) != child || !WIFEXITED(status))
        return -1;
    return WEXITSTATUS(status);
}
