// BmpToolFilesTest: placeholder
