// GlmReadTest: no cases yet.
