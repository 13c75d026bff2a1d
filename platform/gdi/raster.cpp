// raster.cpp: the span rasteriser.
