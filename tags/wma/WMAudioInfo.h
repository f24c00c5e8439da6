// The binding to the WMA audio SDK library (libwmaudsdk.so beside the
// executable), made once at start-up and freed at the end, and the SDK's
// attribute names.
#pragma once

namespace WMAudioInfo {

// Loads the SDK library and resolves WMAudioCreateInfo; a failure leaves the
// binding empty. Called once at program start (and by tests).
void Bind();
// Frees the library. Called once at program end.
void Unbind();

} // namespace WMAudioInfo
