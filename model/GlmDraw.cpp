// GlmDraw: not written yet.
