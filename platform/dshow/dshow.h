// The media graph as the game uses it: COM creation of the filter graph, its builder, control and
// event views, media types, and the video-renderer base class.
#pragma once

#include "dshow/interfaces.h"
#include "dshow/renderer.h"
#include "dshow/types.h"
#include "win32/com.h"
