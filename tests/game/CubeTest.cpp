// CubeTest: no cases yet.
