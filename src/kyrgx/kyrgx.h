#pragma once

// The toolkit's shared value types and small services.
#include "kyrgx/Affine2D.h"
#include "kyrgx/Clock.h"
#include "kyrgx/Color.h"
#include "kyrgx/IImageBuffer.h"
#include "kyrgx/PixelFormat.h"
#include "kyrgx/Pixmap.h"
#include "kyrgx/Resources.h"
#include "kyrgx/Utf8.h"
#include "kyrgx/Vec2.h"
