#pragma once

// Helpers shared by the tests that drive the real window as a user would.

#include <QApplication>
#include <QByteArray>
#include <QFile>
#include <QLineEdit>
#include <QMouseEvent>
#include <QWheelEvent>

// Types text into a field and leaves it, which is what reaches the field's slot.
inline void type(QLineEdit *field, const QString &text)
{
    field->setText(text);
    field->setModified(true); // typed by the user
    Q_EMIT field->editingFinished();
}

inline void sendMouse(QWidget *w, QEvent::Type type, QPoint pos, Qt::MouseButton button,
                      Qt::MouseButtons held, Qt::KeyboardModifiers mods = Qt::NoModifier)
{
    QMouseEvent e(type, QPointF(pos), QPointF(w->mapToGlobal(pos)), button, held, mods);
    QApplication::sendEvent(w, &e);
}

inline void sendWheel(QWidget *w, QPointF pos, int angle)
{
    QWheelEvent e(pos, QPointF(w->mapToGlobal(pos.toPoint())), QPoint(), QPoint(0, angle),
                  Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(w, &e);
}

// The file's bytes, or a marker no real content equals when it cannot be read.
inline QByteArray fileBytes(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return QByteArray("<unreadable>");
    return f.readAll();
}

inline bool writeFile(const QString &path, const QByteArray &content)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(content) == content.size();
}

// The offscreen platform reports, for every window whose size hints change, that it cannot pass
// them on; with hostile label texts that is hundreds of lines of noise. Installs a handler that
// drops just that notice and passes everything else on.
inline void dropPlatformNotices()
{
    static QtMessageHandler previous = nullptr;
    previous = qInstallMessageHandler(
        [](QtMsgType type, const QMessageLogContext &context, const QString &message) {
            if (message.contains(QLatin1String("does not support propagateSizeHints")))
                return;
            if (previous)
                previous(type, context, message);
        });
}
