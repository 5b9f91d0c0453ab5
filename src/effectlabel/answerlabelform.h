#pragma once

class EffectLabelModel;

// Applies what the main window records for each of its answer labels, in the recorded order:
// the colours come before the font, so the switch to the custom scheme that the lime highlight
// causes cannot override the recorded green. Geometry and visibility are the window's own.
void ApplyAnswerLabelForm(EffectLabelModel &label);
