// GlmWrite: not written yet.
