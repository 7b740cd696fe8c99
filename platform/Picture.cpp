// platform/Picture.cpp: the picture control's picture, the built-in one made only when it is needed.
#include "platform/Picture.h"

void Picture::LoadFrom(const BitmapFile& file)
{
    image_.LoadFrom(file);
    builtIn_ = nullptr;
}

void Picture::Prepare()
{
    if (builtIn_ == nullptr)
        return;
    image_ = Image::FromResource(builtIn_);
    builtIn_ = nullptr;
}

void Picture::Draw(HDC target, int x, int y)
{
    Prepare();
    image_.Draw(target, x, y);
}
