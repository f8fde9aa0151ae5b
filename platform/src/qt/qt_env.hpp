// The environment the toolkit needs before it starts.
#pragma once

namespace plat::qt {

// Sets QT_QPA_PLATFORM=offscreen when neither it nor a display is set; returns whether it did.
// Must run before the application object is made.
bool ChoosePlatformPlugin();

} // namespace plat::qt
