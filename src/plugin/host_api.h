// Records and commands that cross the boundary to the host. All layouts are
// 32-bit little-endian; the offsets are checked for the i686 build.
#pragma once

#include <cstddef>
#include <cstdint>

#include "pixel/pixel_format.h"
#include "plugin/host_commands.h"

namespace qlv {

#if defined(__i386__) || defined(_M_IX86)
// Spelled __cdecl__: <windows.h> defines `cdecl` as nothing, which would drop the
// attribute (and change the mangled names) in files that include it first.
#define QLV_CDECL __attribute__((__cdecl__))
#else
#define QLV_CDECL
#endif

struct ChannelInfo {
  uint32_t id0;
  uint32_t id1;
  uint32_t reserved;  // the host's; never read
  char name[1];       // NUL-terminated, stored in the record itself (host-defined length)
};

typedef ChannelInfo* (QLV_CDECL* GetChannelFn)(int32_t index);

struct HostInitInfo {
  GetChannelFn getChannel;
  uint32_t context;
};

struct StreamFormat {
  int32_t width;
  int32_t height;
  int32_t third;  // stored, not used
  int32_t pixelFormat;  // a PixelFormat; any other value leaves frames untouched
  int32_t processorClass;
  int32_t recording;
};

struct HostFrame {
  uint8_t* pixels;
  uint32_t unused[10];
  ChannelInfo* channel;
};

struct SettingsRequest {
  uint32_t parent;  // HWND of the host window that becomes the dialog's parent
  int32_t notViewing;
};

typedef void(QLV_CDECL* PluginInitFn)(HostInitInfo*);
typedef int(QLV_CDECL* PluginStartFn)(StreamFormat*);
typedef int(QLV_CDECL* PluginProcessFrameFn)(HostFrame*);
typedef void(QLV_CDECL* PluginEmptyFn)();
typedef void(QLV_CDECL* PluginShowSettingsFn)(SettingsRequest*);
typedef void(QLV_CDECL* PluginCloseFn)();

struct PluginRecord {
  char* name;
  char* description;
  PluginInitFn init;
  PluginStartFn start;
  PluginProcessFrameFn processFrame;
  PluginEmptyFn empty;
  PluginShowSettingsFn showSettings;
  PluginCloseFn close;
};

typedef int(QLV_CDECL* PluginVersionFn)();
typedef PluginRecord*(QLV_CDECL* PluginRecordFn)();

constexpr int kPluginInterfaceVersion = 3;

#if defined(__i386__) || defined(_M_IX86)
static_assert(offsetof(ChannelInfo, id0) == 0 && offsetof(ChannelInfo, id1) == 4, "ChannelInfo");
static_assert(offsetof(ChannelInfo, name) == 12, "ChannelInfo.name");
static_assert(offsetof(HostInitInfo, getChannel) == 0 && offsetof(HostInitInfo, context) == 4, "HostInitInfo");
static_assert(sizeof(HostInitInfo) == 8, "HostInitInfo size");
static_assert(offsetof(StreamFormat, pixelFormat) == 12 && offsetof(StreamFormat, processorClass) == 16 &&
                  offsetof(StreamFormat, recording) == 20 && sizeof(StreamFormat) == 24, "StreamFormat");
static_assert(offsetof(HostFrame, pixels) == 0 && offsetof(HostFrame, channel) == 44, "HostFrame");
static_assert(offsetof(SettingsRequest, parent) == 0 && offsetof(SettingsRequest, notViewing) == 4, "SettingsRequest");
static_assert(offsetof(PluginRecord, name) == 0 && offsetof(PluginRecord, description) == 4 &&
                  offsetof(PluginRecord, init) == 8 && offsetof(PluginRecord, start) == 12 &&
                  offsetof(PluginRecord, processFrame) == 16 && offsetof(PluginRecord, empty) == 20 &&
                  offsetof(PluginRecord, showSettings) == 24 && offsetof(PluginRecord, close) == 28 &&
                  sizeof(PluginRecord) == 32, "PluginRecord");
#endif

}  // namespace qlv
