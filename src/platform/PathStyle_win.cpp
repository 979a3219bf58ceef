#include "platform/PathStyle.h"

PathStyle Platform::pathStyle()
{
    return PathStyle::Windows;
}
