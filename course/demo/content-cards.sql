-- The card screens: information cards (screen 6, lesson 30), photo-text cards (screen 7,
-- lesson 40) and picture cards (screen 5, lessons 20 and 62). The pictures are drawn by
-- media-cards.txt; the buttons stand where its "cards" backgrounds draw them: the bar's
-- Volver and Ayuda at x 13 and 137, then the screen's own buttons every 54 pixels from 205.

-- Screens 6 and 7: background, title, card list, text box with its strip, the picture and
-- the volume strip, then the buttons: up, help, sound, volume, print, copy, scroll down,
-- scroll up and end, and on screen 6 the playing buttons of the card's sound.
insert into pantalla (codigo, objeto, identificativo, X, Y, ancho, alto, bitmapreposo, bitmapactivable, accion, Font, tamanofont, colorfont, bitmapactivo) values
  (6, 0,  0, 0,   0,   0,   0,   'fondos\fichas_informacion.bmp', null,                   0,  null,          null, 0, null),
  (6, 9,  0, 100, 8,   440, 28,  null,                      null,                        0,  'DejaVu Sans', 14,   1, null),
  (6, 6,  0, 16,  50,  170, 360, null,                      null,                        0,  'DejaVu Sans', 11,   0, '251241220'),
  (6, 10, 0, 200, 50,  400, 262, null,                      null,                        0,  'DejaVu Sans', 12,   0, '255255255'),
  (6, 11, 0, 606, 50,  0,   0,   'botones\fichas_barra.bmp', 'botones\fichas_cuadro.bmp', 0, null,          null, 0, null),
  (6, 14, 0, 210, 318, 160, 104, null,                      null,                        0,  null,          null, 0, null),
  (6, 4,  0, 259, 300, 0,   0,   null,                      null,                        0,  null,          null, 0, null),
  (6, 5,  0, 13,  432, 0,   0,   null,                      'botones\leccion_volver.bmp', 15, null,          null, 0, null),
  (6, 5,  0, 137, 432, 0,   0,   null,                      'botones\leccion_ayuda.bmp',  23, null,          null, 0, null),
  (6, 5,  0, 205, 432, 0,   0,   null,                      'botones\fichas_sonido.bmp',  3,  null,          null, 0, null),
  (6, 5,  0, 259, 432, 0,   0,   null,                      'botones\fichas_volumen.bmp', 4,  null,          null, 0, null),
  (6, 5,  0, 313, 432, 0,   0,   null,                      'botones\fichas_imprimir.bmp', 16, null,         null, 0, null),
  (6, 5,  0, 367, 432, 0,   0,   null,                      'botones\fichas_copiar.bmp',  17, null,          null, 0, null),
  (6, 5,  0, 421, 432, 0,   0,   null,                      'botones\fichas_bajar.bmp',   18, null,          null, 0, null),
  (6, 5,  0, 475, 432, 0,   0,   null,                      'botones\fichas_subir.bmp',   19, null,          null, 0, null),
  (6, 5,  0, 529, 432, 0,   0,   null,                      'botones\fichas_salir.bmp',   2,  null,          null, 0, null),
  -- The card sound: to start, previous picture, play, pause, stop, next picture, to end.
  (6, 5,  0, 384, 330, 0,   0,   null,                      'botones\cft_inicio.bmp',  7,  null,          null, 0, null),
  (6, 5,  0, 418, 330, 0,   0,   null,                      'botones\cft_anterior.bmp', 10, null,         null, 0, null),
  (6, 5,  0, 452, 330, 0,   0,   null,                      'botones\cft_reproducir.bmp', 5, null,        null, 0, null),
  (6, 5,  0, 486, 330, 0,   0,   null,                      'botones\cft_pausa.bmp',   11, null,          null, 0, null),
  (6, 5,  0, 520, 330, 0,   0,   null,                      'botones\cft_parar.bmp',   6,  null,          null, 0, null),
  (6, 5,  0, 554, 330, 0,   0,   null,                      'botones\cft_siguiente.bmp', 9, null,         null, 0, null),
  (6, 5,  0, 588, 330, 0,   0,   null,                      'botones\cft_final.bmp',   8,  null,          null, 0, null),
  -- Screen 7: the photograph lies at its own size under the text.
  (7, 0,  0, 0,   0,   0,   0,   'fondos\fichas_fototexto.bmp', null,                    0,  null,          null, 0, null),
  (7, 9,  0, 100, 8,   440, 28,  null,                      null,                        0,  'DejaVu Sans', 14,   1, null),
  (7, 6,  0, 16,  50,  170, 360, null,                      null,                        0,  'DejaVu Sans', 11,   0, '251241220'),
  (7, 10, 0, 200, 50,  400, 262, null,                      null,                        0,  'DejaVu Sans', 12,   0, '255255255'),
  (7, 11, 0, 606, 50,  0,   0,   'botones\fichas_barra.bmp', 'botones\fichas_cuadro.bmp', 0, null,          null, 0, null),
  (7, 14, 0, 210, 316, 200, 110, null,                      null,                        0,  null,          null, 0, null),
  (7, 4,  0, 259, 300, 0,   0,   null,                      null,                        0,  null,          null, 0, null),
  (7, 5,  0, 13,  432, 0,   0,   null,                      'botones\leccion_volver.bmp', 15, null,          null, 0, null),
  (7, 5,  0, 137, 432, 0,   0,   null,                      'botones\leccion_ayuda.bmp',  23, null,          null, 0, null),
  (7, 5,  0, 205, 432, 0,   0,   null,                      'botones\fichas_sonido.bmp',  3,  null,          null, 0, null),
  (7, 5,  0, 259, 432, 0,   0,   null,                      'botones\fichas_volumen.bmp', 4,  null,          null, 0, null),
  (7, 5,  0, 313, 432, 0,   0,   null,                      'botones\fichas_imprimir.bmp', 16, null,         null, 0, null),
  (7, 5,  0, 367, 432, 0,   0,   null,                      'botones\fichas_copiar.bmp',  17, null,          null, 0, null),
  (7, 5,  0, 421, 432, 0,   0,   null,                      'botones\fichas_bajar.bmp',   18, null,          null, 0, null),
  (7, 5,  0, 475, 432, 0,   0,   null,                      'botones\fichas_subir.bmp',   19, null,          null, 0, null),
  (7, 5,  0, 529, 432, 0,   0,   null,                      'botones\fichas_salir.bmp',   2,  null,          null, 0, null),
  -- Screen 5: the list opens over the picture when the learner asks for it.
  (5, 0,  0, 0,   0,   0,   0,   'fondos\fichas_dibujos.bmp', null,                      0,  null,          null, 0, null),
  (5, 9,  0, 100, 8,   440, 28,  null,                      null,                        0,  'DejaVu Sans', 14,   1, null),
  (5, 6,  0, 16,  50,  170, 200, null,                      null,                        0,  'DejaVu Sans', 11,   0, '251241220'),
  (5, 14, 0, 210, 80,  400, 300, null,                      null,                        0,  null,          null, 0, null),
  (5, 4,  0, 259, 300, 0,   0,   null,                      null,                        0,  null,          null, 0, null),
  (5, 5,  0, 13,  432, 0,   0,   null,                      'botones\leccion_volver.bmp', 15, null,          null, 0, null),
  (5, 5,  0, 137, 432, 0,   0,   null,                      'botones\leccion_ayuda.bmp',  23, null,          null, 0, null),
  (5, 5,  0, 205, 432, 0,   0,   null,                      'botones\fichas_sonido.bmp',  3,  null,          null, 0, null),
  (5, 5,  0, 259, 432, 0,   0,   null,                      'botones\fichas_volumen.bmp', 4,  null,          null, 0, null),
  (5, 5,  0, 313, 432, 0,   0,   null,                      'botones\fichas_imprimir.bmp', 16, null,         null, 0, null),
  (5, 5,  0, 367, 432, 0,   0,   null,                      'botones\fichas_copiar.bmp',  17, null,          null, 0, null),
  (5, 5,  0, 421, 432, 0,   0,   null,                      'botones\fichas_anterior.bmp', 20, null,         null, 0, null),
  (5, 5,  0, 475, 432, 0,   0,   null,                      'botones\fichas_siguiente.bmp', 21, null,        null, 0, null),
  (5, 5,  0, 529, 432, 0,   0,   null,                      'botones\fichas_lista.bmp',   22, null,          null, 0, null),
  (5, 5,  0, 583, 432, 0,   0,   null,                      'botones\fichas_salir.bmp',   2,  null,          null, 0, null);

-- The information and photo-text cards: both screens list every card. Inline text, an
-- RTF card with its sound and pictures, a plain-text card long enough to scroll. The
-- information screen frames a picture for every card: a card without a sound has its
-- photograph as a sequence of one picture (the photo-text screen reads bitmap_epigrafe).
insert into informacion (nombre_epigrafe, texto_epigrafe, fichero_epigrafe, nombre_fichero1, cod_wav_epigrafe, bitmap_epigrafe) values
  ('Los días de la semana', 'Monday, Tuesday, Wednesday, Thursday, Friday, Saturday, Sunday. Lunes, martes, miércoles, jueves, viernes, sábado y domingo.', null, null, 4, 'fotos\lunes.bmp'),
  ('¿Qué hora es?',         null, 'fichas\hora.rtf',  'fichas\hora.wav', 3, 'fotos\reloj.bmp'),
  ('Los meses del año',     null, 'fichas\meses.txt', null,              5, 'fotos\meses.bmp'),
  ('Las estaciones',        'Spring, summer, autumn and winter: primavera, verano, otoño e invierno.', null, null, 6, 'fotos\estaciones.bmp');

-- The card pictures of "¿Qué hora es?": one per sentence of its sound.
insert into carrusel (codigoimagen, ficheroimagen) values
  (9, 'fichas\hora_1.bmp'), (10, 'fichas\hora_2.bmp'), (11, 'fichas\hora_3.bmp');
insert into wavcarrusel (codigo, codigoimagen, segundo) values
  (3, 9, 400), (3, 10, 2229), (3, 11, 4338);
-- The silent cards' photographs.
insert into carrusel (codigoimagen, ficheroimagen) values
  (12, 'fotos\lunes.bmp'), (13, 'fotos\meses.bmp'), (14, 'fotos\estaciones.bmp');
insert into wavcarrusel (codigo, codigoimagen, segundo) values
  (4, 12, 0), (5, 13, 0), (6, 14, 0);

-- "Todos los epígrafes" on the photo-text cards of lesson 40 prints these files.
insert into ficha_fototextual (n_leccion, fichero_epigrafe) values
  (40, 'fichas\dias.rtf'), (40, 'fichas\hora.rtf'), (40, 'fichas\meses.txt');

-- The picture cards, in cod_ficha order.
insert into fichas (N_leccion, cod_ficha, nombre_ficha, bitmap_ficha) values
  (20, 1, 'Father',                'dibujos\padre.bmp'),
  (20, 2, 'Mother',                'dibujos\madre.bmp'),
  (20, 3, 'Brother and sister',    'dibujos\hermanos.bmp'),
  (20, 4, 'Grandparents',          'dibujos\abuelos.bmp'),
  (62, 1, 'Open',                  'dibujos\abierto.bmp'),
  (62, 2, 'Closed',                'dibujos\cerrado.bmp'),
  (62, 3, 'Exit',                  'dibujos\salida.bmp');

-- Help: object 2, one for each card screen, on a black window as the other lessons' help.
insert into pantalla (codigo, objeto, identificativo, X, Y, bitmapreposo, bitmapactivable, accion, colorfont) values
  (5, 2, 0, 40, 40, 'ayuda\fichas.bmp',      'ayuda\fichas.wav',      0, 0),
  (6, 2, 0, 40, 40, 'ayuda\informacion.bmp', 'ayuda\informacion.wav', 0, 0),
  (7, 2, 0, 40, 40, 'ayuda\fototexto.bmp',   'ayuda\fototexto.wav',   0, 0);
