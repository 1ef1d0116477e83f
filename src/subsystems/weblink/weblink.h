#pragma once

#include <QObject>
#include <QUrl>

class LinkImage;

// The picture in the corner is a link to the program's web site: pressed, it opens it.
class WebLink : public QObject
{
    Q_OBJECT

public:
    explicit WebLink(LinkImage &image, QObject *parent = nullptr);

    // Marks the picture as visited and asks the desktop to open the site; a failure shows nothing.
    void open();

    static QUrl address();

private:
    LinkImage &m_image;
};
