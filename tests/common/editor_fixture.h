#pragma once

#include "appearance.h"
#include "box_answerer.h"
#include "editor_window.h"
#include "write_file.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <optional>

// Every test function gets a fresh record folder and a freshly started,
// shown editor whose records lie there.
class EditorFixture : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        ww::applyAppearance(*qApp);
        BoxAnswerer::install();
    }
    void init()
    {
        m_cwd.emplace();
        QVERIFY(m_cwd->isValid());
        m_editor.emplace(ww::RecordStore(m_cwd->path()));
        m_editor->show();
        QVERIFY(QTest::qWaitForWindowExposed(&*m_editor));
    }
    void cleanup()
    {
        m_editor.reset();
        m_cwd.reset();
    }

protected:
    // A secondary window the editor has open, found by its name.
    template<typename T = QWidget>
    T *window(const char *name) const
    {
        return m_editor->findChild<T *>(QString::fromLatin1(name), Qt::FindDirectChildrenOnly);
    }

    template<typename T>
    T *child(const char *name) const
    {
        T *widget = m_editor->findChild<T *>(QString::fromLatin1(name));
        if (!widget)
            qFatal("no control %s", name);
        return widget;
    }

    // `relative` below the editor's record folder; an absolute path stays as it is.
    QString at(const QString &relative) const { return QDir(m_cwd->path()).filePath(relative); }

    QByteArray fileBytes(const QString &path) const
    {
        QFile f(at(path));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    void writeFile(const QString &relative, const QByteArray &bytes) const { ::writeFile(at(relative), bytes); }

    std::optional<QTemporaryDir> m_cwd;
    std::optional<ww::EditorWindow> m_editor;
};
