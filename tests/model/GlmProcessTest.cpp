// GlmProcessTest: no cases yet.
