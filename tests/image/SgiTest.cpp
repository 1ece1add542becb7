// SgiTest: no cases yet.
