#pragma once

#include "appearance.h"
#include "box_answerer.h"
#include "editor_window.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <optional>

// Record folders lie below the working directory, so every test function
// gets a fresh one and a freshly started, shown editor.
class EditorFixture : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        ww::applyAppearance(*qApp);
        BoxAnswerer::install();
        m_home = QDir::currentPath();
    }
    void init()
    {
        m_cwd.emplace();
        QVERIFY(m_cwd->isValid());
        QDir::setCurrent(m_cwd->path());
        m_editor.emplace(ww::RecordStore(m_cwd->path()));
        m_editor->show();
        QVERIFY(QTest::qWaitForWindowExposed(&*m_editor));
    }
    void cleanup()
    {
        m_editor.reset();
        QDir::setCurrent(m_home);
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

    static QByteArray fileBytes(const QString &path)
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    static void writeFile(const QString &path, const QByteArray &bytes)
    {
        QVERIFY(QDir().mkpath(QFileInfo(path).path()));
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        QCOMPARE(f.write(bytes), bytes.size());
    }

    QString m_home;
    std::optional<QTemporaryDir> m_cwd;
    std::optional<ww::EditorWindow> m_editor;
};
