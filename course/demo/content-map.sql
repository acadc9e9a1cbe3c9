-- The map screen (screen 1): its buttons, navigation box and list, shared by every map
-- lesson, and the regions of the home map (lesson 1) and the city map (lesson 60).
-- The pictures are drawn by the "map" recipes of media-map.txt from the plans under
-- mapas/ (mapas/botones.txt places the buttons); the numbers here must agree with them,
-- which tst_demo_media checks. The screen's kind-0 row (black window, the lesson's map
-- as picture) is in content.sql.

-- Buttons: a 56 x 44 tile each on the wooden bar at the bottom of every map; the
-- picture is the lit look, placed at X, Y, and its size is the hot rectangle.
insert into pantalla (codigo, objeto, identificativo, X, Y, bitmapactivable, accion, bitmapgrande) values
  (1, 5, 0, 13,  432, 'botones\subir.bmp',    15, null),
  (1, 5, 0, 75,  432, 'botones\navegar.bmp',  14, null),
  (1, 5, 0, 137, 432, 'botones\sonido.bmp',   3,  null),
  (1, 5, 0, 199, 432, 'botones\volumen.bmp',  4,  null),
  (1, 5, 0, 261, 432, 'botones\ayuda.bmp',    23, null),
  (1, 5, 0, 323, 432, 'botones\glosario.bmp', 17, null),
  (1, 5, 0, 385, 432, 'botones\borrar.bmp',   16, null),
  (1, 5, 0, 447, 432, 'botones\postal.bmp',   24, null),
  -- The big-picture button also names the big picture and its window colour (0: black).
  (1, 5, 0, 509, 432, 'botones\panorama.bmp', 55, 'fondos\grande.bmp'),
  (1, 5, 0, 571, 432, 'botones\salir.bmp',    2,  null);

-- The navigation box opens right above the navigation button (its bottom edge touches the
-- button's top), and the navigation list lies in its cream panel, placed relative to the box.
insert into pantalla (codigo, objeto, identificativo, X, Y, ancho, bitmapreposo, Font, tamanofont) values
  (1, 17, 0, 75, 292, 0,   'mapas\cajanav.bmp', null,          null),
  (1, 8,  0, 10, 30,  130, '255250235',         'DejaVu Sans', 10);

-- Regions: the mask colour, the chapter, and the highlight cut at the region's box on the
-- mask, placed at that box's top left.
insert into mapa_sensible (N_leccion, R, g, b, N_capitulo, bitmap_activable, X, Y) values
  (1,  255, 0,   0,   11, 'mapas\principal_11.bmp', 91,  99),
  (1,  0,   255, 0,   12, 'mapas\principal_12.bmp', 283, 90),
  (1,  0,   0,   255, 13, 'mapas\principal_13.bmp', 461, 109),
  (1,  255, 255, 0,   14, 'mapas\principal_14.bmp', 72,  249),
  (1,  255, 0,   255, 15, 'mapas\principal_15.bmp', 246, 214),
  (1,  0,   255, 255, 16, 'mapas\principal_16.bmp', 428, 262),
  (1,  255, 128, 0,   17, 'mapas\principal_17.bmp', 246, 346),
  (60, 128, 0,   255, 21, 'mapas\ciudad_21.bmp',    45,  66),
  (60, 0,   128, 255, 22, 'mapas\ciudad_22.bmp',    343, 229);

-- The big picture's own sounds: a farewell tune while it is shown.
insert into sonidospantalla (codigopantalla, leccion, fondo, pulsacion, cambiopantalla) values
  (11, 0, 'sonidos\despedida.wav', 'sonidos\click.wav', 'sonidos\cambio.wav');
