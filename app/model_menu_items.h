// The ids of every model menu item, the items one of which is checked for the model chosen.
#pragma once

// Ids without an item in the menu are harmless to whoever walks the list.
inline constexpr int kModelMenuItems[] = {
    198, 280, 281, 282, 291, 501, 536, 197, 229, 520, 228, 227, 893, 235, 526, 275,
    267, 277, 278, 279, 288, 539, 503, 522, 502, 292, 293, 284, 523, 246, 511, 510,
    513, 514, 531, 521, 585, 587, 595, 598, 602, 603, 872, 887, 548, 870, 890};
