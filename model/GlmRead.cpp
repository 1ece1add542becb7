// GlmRead: not written yet.
