// The zoom box: one plane enlarged by pixel repetition.
#include "app/form1.h"

#include "core/geometry.h"
#include "platform/stretchblt.h"

void Form1::magnify(Channel channel)
{
    const platform::PictureBox *plane = row(channel).plane;
    recipeOf(View::Zoom) = recipeOf(viewOf(channel));
    Immagine->setWidth(geometry::ViewSide);
    Immagine->setHeight(geometry::ViewSide);
    // The view follows the blue plane's aspect, whichever plane it shows.
    const QSizeF view = geometry::magnifierView(Picture2->Width(), Picture2->Height());
    Immagine->setWidth(static_cast<float>(view.width()));
    Immagine->setHeight(static_cast<float>(view.height()));
    platform::StretchBlt(*Immagine, 0, 0, Immagine->ScaleWidth(), Immagine->ScaleHeight(), *plane,
                         0, 0, plane->ScaleWidth(), plane->ScaleHeight(), platform::SRCCOPY);
}
