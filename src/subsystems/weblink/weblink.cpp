#include "weblink.h"

#include "linkimage.h"

#include <QDesktopServices>

WebLink::WebLink(LinkImage &image, QObject *parent) : QObject(parent), m_image(image)
{
    connect(&image, &LinkImage::pressed, this, &WebLink::open);
}

QUrl WebLink::address()
{
    return QUrl(QStringLiteral("https://vespolari.example.org/"));
}

void WebLink::open()
{
    // The thin border stays for the rest of the run.
    m_image.setFrameStyle(QFrame::Box | QFrame::Plain);
    m_image.setLineWidth(1);
    QDesktopServices::openUrl(address());
}
