#include "linkimage.h"

#include <QPainter>

namespace {

QPixmap linkPicture()
{
    QPixmap pixmap(66, 30);
    pixmap.fill(QColor(0x2e, 0x6d, 0xa4));
    QPainter p(&pixmap);
    p.setPen(Qt::white);
    QFont font = p.font();
    font.setBold(true);
    font.setPixelSize(11);
    p.setFont(font);
    p.drawText(pixmap.rect(), Qt::AlignCenter, QStringLiteral("Vespolari"));
    return pixmap;
}

} // namespace

LinkImage::LinkImage(QWidget *parent) : QLabel(parent)
{
    setPixmap(linkPicture());
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    setCursor(Qt::PointingHandCursor);
}

void LinkImage::mousePressEvent(QMouseEvent *event)
{
    QLabel::mousePressEvent(event);
    emit pressed();
}
