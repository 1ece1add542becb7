// LightTest: no cases yet.
