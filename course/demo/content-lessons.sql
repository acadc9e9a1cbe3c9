-- The lesson screens: the thematic carousel (screen 4) with lessons 10 and 61, the
-- video screen (screen 3) with lesson 11, and the help of the maps and of both screens.
-- The pictures are drawn by media-lessons.txt; the button and panel positions here are
-- the ones its "lessonscreen" frames draw: the bar at the bottom (Volver, Ir a, Ayuda at
-- x 13, 75, 137), the panel's tiles 34 pixels wide every 38 pixels from 8, 22 inside the
-- panel, and the bottom-right corner left free for the minimised panel's icon.

-- Screen 4: background, title, navigation box and list like the map's, the control panel
-- (kind 7) and its buttons.
insert into pantalla (codigo, objeto, identificativo, X, Y, ancho, alto, bitmapreposo, bitmapactivable, accion, Font, tamanofont, colorfont) values
  (4, 0,  0, 0,   0,   0,   0,  'fondos\carrusel.bmp',       null,                        0,  null,          null, 0),
  (4, 9,  0, 100, 8,   440, 28, null,                        null,                        0,  'DejaVu Sans', 14,   1),
  (4, 17, 0, 75,  292, 0,   0,  'mapas\cajanav.bmp',         null,                        0,  null,          null, 0),
  (4, 8,  0, 10,  30,  130, 0,  '255250235',                 null,                        0,  'DejaVu Sans', 10,   0),
  (4, 7,  0, 162, 350, 0,   0,  'botones\panel_carrusel.bmp', null,                       0,  null,          null, 0),
  (4, 5,  0, 13,  432, 0,   0,  null,                        'botones\leccion_volver.bmp',  15, null,          null, 0),
  (4, 5,  0, 75,  432, 0,   0,  null,                        'botones\leccion_navegar.bmp', 14, null,          null, 0),
  (4, 5,  0, 137, 432, 0,   0,  null,                        'botones\leccion_ayuda.bmp',   23, null,          null, 0),
  -- The panel at 162, 350: to start, previous, play, pause, stop, next, to end, minimise.
  (4, 5,  0, 170, 372, 0,   0,  null,                        'botones\ct_inicio.bmp',     7,  null,          null, 0),
  (4, 5,  0, 208, 372, 0,   0,  null,                        'botones\ct_anterior.bmp',   10, null,          null, 0),
  (4, 5,  0, 246, 372, 0,   0,  null,                        'botones\ct_reproducir.bmp', 5,  null,          null, 0),
  (4, 5,  0, 284, 372, 0,   0,  null,                        'botones\ct_pausa.bmp',      11, null,          null, 0),
  (4, 5,  0, 322, 372, 0,   0,  null,                        'botones\ct_parar.bmp',      6,  null,          null, 0),
  (4, 5,  0, 360, 372, 0,   0,  null,                        'botones\ct_siguiente.bmp',  9,  null,          null, 0),
  (4, 5,  0, 398, 372, 0,   0,  null,                        'botones\ct_final.bmp',      8,  null,          null, 0),
  -- The minimise button's picture at rest is the icon of the minimised panel.
  (4, 5,  0, 436, 372, 0,   0,  'botones\panel_icono.bmp',   'botones\ct_minimizar.bmp',  25, null,          null, 0);

-- Screen 3: the same frame; the panel row's identificativo is the jump in seconds.
insert into pantalla (codigo, objeto, identificativo, X, Y, ancho, alto, bitmapreposo, bitmapactivable, accion, Font, tamanofont, colorfont) values
  (3, 0,  0, 0,   0,   0,   0,  'fondos\video.bmp',          null,                        0,  null,          null, 0),
  (3, 9,  0, 100, 8,   440, 28, null,                        null,                        0,  'DejaVu Sans', 14,   1),
  (3, 17, 0, 75,  292, 0,   0,  'mapas\cajanav.bmp',         null,                        0,  null,          null, 0),
  (3, 8,  0, 10,  30,  130, 0,  '255250235',                 null,                        0,  'DejaVu Sans', 10,   0),
  (3, 7,  5, 143, 360, 0,   0,  'botones\panel_video.bmp',   null,                        0,  null,          null, 0),
  (3, 5,  0, 13,  432, 0,   0,  null,                        'botones\leccion_volver.bmp',  15, null,          null, 0),
  (3, 5,  0, 75,  432, 0,   0,  null,                        'botones\leccion_navegar.bmp', 14, null,          null, 0),
  (3, 5,  0, 137, 432, 0,   0,  null,                        'botones\leccion_ayuda.bmp',   23, null,          null, 0),
  -- The panel at 143, 360: to start, back 5 s, play, full screen, pause, stop, forward 5 s, to end, minimise.
  (3, 5,  0, 151, 382, 0,   0,  null,                        'botones\sa_inicio.bmp',     7,  null,          null, 0),
  (3, 5,  0, 189, 382, 0,   0,  null,                        'botones\sa_atras.bmp',      10, null,          null, 0),
  (3, 5,  0, 227, 382, 0,   0,  null,                        'botones\sa_reproducir.bmp', 5,  null,          null, 0),
  (3, 5,  0, 265, 382, 0,   0,  null,                        'botones\sa_completa.bmp',   24, null,          null, 0),
  (3, 5,  0, 303, 382, 0,   0,  null,                        'botones\sa_pausa.bmp',      11, null,          null, 0),
  (3, 5,  0, 341, 382, 0,   0,  null,                        'botones\sa_parar.bmp',      6,  null,          null, 0),
  (3, 5,  0, 379, 382, 0,   0,  null,                        'botones\sa_adelante.bmp',   9,  null,          null, 0),
  (3, 5,  0, 417, 382, 0,   0,  null,                        'botones\sa_final.bmp',      8,  null,          null, 0),
  (3, 5,  0, 455, 382, 0,   0,  'botones\panel_icono.bmp',   'botones\sa_minimizar.bmp',  25, null,          null, 0);

-- The carousel pictures and their sequences: segundo is the millisecond at which each
-- sentence of the narration begins (media-lessons.txt checks them against the speech).
-- In sequence 1 the second and third sentences share picture 2.
insert into carrusel (codigoimagen, ficheroimagen) values
  (1, 'carrusel\saludos_1.bmp'), (2, 'carrusel\saludos_2.bmp'), (3, 'carrusel\saludos_3.bmp'),
  (4, 'carrusel\saludos_4.bmp'), (5, 'carrusel\saludos_5.bmp'),
  (6, 'carrusel\mercado_1.bmp'), (7, 'carrusel\mercado_2.bmp'), (8, 'carrusel\mercado_3.bmp');

insert into wavcarrusel (codigo, codigoimagen, segundo) values
  (1, 1, 600), (1, 2, 3201), (1, 2, 6088), (1, 3, 8579), (1, 4, 10740), (1, 5, 13511),
  (2, 6, 400), (2, 7, 2668), (2, 8, 5699);

-- Help: object 2. On the main map the lesson number is in colorfont; the other screens
-- have one help each. bitmapactivable holds the spoken help; the card lies at 40, 40 on
-- a black window (accion and identificativo 0).
insert into pantalla (codigo, objeto, identificativo, X, Y, bitmapreposo, bitmapactivable, accion, colorfont) values
  (1, 2, 0, 40, 40, 'ayuda\mapa.bmp',     'ayuda\mapa.wav',     0, 1),
  (1, 2, 0, 40, 40, 'ayuda\ciudad.bmp',   'ayuda\ciudad.wav',   0, 60),
  (4, 2, 0, 40, 40, 'ayuda\carrusel.bmp', 'ayuda\carrusel.wav', 0, 0),
  (3, 2, 0, 40, 40, 'ayuda\video.bmp',    'ayuda\video.wav',    0, 0);
