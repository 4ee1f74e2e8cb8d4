#include "platform/QtClipboard.h"

#include <QBuffer>
#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QMimeData>
#include <QPainter>

QString QtClipboard::pictureFormat() { return QStringLiteral("application/x-levelbook-picture"); }

void QtClipboard::clear() { QGuiApplication::clipboard()->clear(); }

void QtClipboard::setPicture(const QPicture &picture)
{
    auto *data = new QMimeData;
    data->setData(pictureFormat(), QByteArray(picture.data(), int(picture.size())));

    const QRect bounds = picture.boundingRect();
    if (bounds.isValid()) {
        QImage image(bounds.size(), QImage::Format_RGB32);
        image.fill(Qt::white);
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.drawPicture(-bounds.topLeft(), picture);
        painter.end();
        data->setImageData(image);
    }
    QGuiApplication::clipboard()->setMimeData(data);
}

std::optional<QPicture> QtClipboard::picture() const
{
    const QMimeData *data = QGuiApplication::clipboard()->mimeData();
    if (!data || !data->hasFormat(pictureFormat()))
        return std::nullopt;
    const QByteArray bytes = data->data(pictureFormat());
    QPicture picture;
    picture.setData(bytes.constData(), uint(bytes.size()));
    if (picture.isNull())
        return std::nullopt;
    return picture;
}
