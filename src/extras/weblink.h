#pragma once

#include <QUrl>

class LinkImage;

// The picture in the corner is a link to the program's web site.
class WebLink
{
public:
    explicit WebLink(LinkImage &image);

    // Marks the picture as visited and asks the desktop to open the site; a failure shows nothing.
    void open();

    static QUrl address();

private:
    LinkImage &m_image;
};
