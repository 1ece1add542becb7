// GlmProcess: not written yet.
