// BindTextureTest: no cases yet.
