// fonts.cpp: the font system: fontconfig matching, FreeType glyphs, the cache.
