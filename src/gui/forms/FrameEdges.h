#pragma once

class QWidget;

// Under a fractional scale (150 %) Qt rounds a list's inner area over the last device pixels of
// its frame, and the inner area's background hid the frame's bottom and right edges. The framed
// scroll areas of aForm fill their background themselves, under their frame, and leave their
// inner area clear, so the frame is drawn whole at every scale and looks as before at 100 %.
void KeepFrameEdgesWhole(QWidget* aForm);
