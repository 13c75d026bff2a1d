// gdi_objects.cpp: drawing objects, device contexts and their attributes.
