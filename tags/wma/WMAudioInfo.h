// The binding to the WMA audio SDK library (libwmaudsdk.so beside the
// executable), made once at start-up and freed at the end, and the SDK's
// attribute names.
#pragma once

#include "components/wmaudsdk/WMAudioSdk.h"

#include <string>

namespace WMAudioInfo {

// Loads the SDK library and resolves WMAudioCreateInfo; a failure leaves the
// binding empty. Called once at program start (and by tests).
void Bind();
// Frees the library. Called once at program end.
void Unbind();

// Binds to the library at path instead (frees any earlier binding first);
// true when WMAudioCreateInfo was found. Tests use it for a missing SDK.
bool BindFrom(const std::string& path);
// The library's file name, looked for beside the executable.
inline constexpr const char* LibraryName = "libwmaudsdk.so";
// WMAudioCreateInfo of the bound library, or nullptr.
wmaudsdk::WMAudioCreateInfoFn CreateInfo();

// The SDK's attribute names.
inline constexpr const char16_t* g_wszWMADuration = u"Duration";
inline constexpr const char16_t* g_wszWMABitrate = u"Bitrate";
inline constexpr const char16_t* g_wszWMASeekable = u"Seekable";
inline constexpr const char16_t* g_wszWMABroadcast = u"Broadcast";
inline constexpr const char16_t* g_wszWMAIsProtected = u"Is_Protected";
inline constexpr const char16_t* g_wszWMAIsTrusted = u"Is_Trusted";
inline constexpr const char16_t* g_wszWMASignatureName = u"Signature_Name";
inline constexpr const char16_t* g_wszWMATitle = u"Title";
inline constexpr const char16_t* g_wszWMAAuthor = u"Author";
inline constexpr const char16_t* g_wszWMADescription = u"Description";
inline constexpr const char16_t* g_wszWMARating = u"Rating";
inline constexpr const char16_t* g_wszWMACopyright = u"Copyright";
inline constexpr const char16_t* g_wszWMAUseDRM = u"Use_DRM";
inline constexpr const char16_t* g_wszWMADRMFlags = u"DRM_Flags";
inline constexpr const char16_t* g_wszWMADRMLevel = u"DRM_Level";
inline constexpr const char16_t* g_wszWMAAlbumTitle = u"WM/AlbumTitle";
inline constexpr const char16_t* g_wszWMATrack = u"WM/Track";
inline constexpr const char16_t* g_wszWMAPromotionURL = u"WM/PromotionURL";
inline constexpr const char16_t* g_wszWMAAlbumCoverURL = u"WM/AlbumCoverURL";
inline constexpr const char16_t* g_wszWMAGenre = u"WM/Genre";
inline constexpr const char16_t* g_wszWMAYear = u"WM/Year";
inline constexpr const char16_t* g_wszWMATrackNumber = u"WM/TrackNumber";
inline constexpr const char16_t* g_wszWMAPicture = u"WM/Picture";

} // namespace WMAudioInfo
