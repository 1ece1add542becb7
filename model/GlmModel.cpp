// GlmModel: not written yet.
