-- The demo course: English for Spanish speakers.
-- Chapters of the home map (lesson 1) are 11 to 17; the city map (lesson 60) has 21 and 22.
-- The home map also has chapters 10 and 51 with no region on the map: their lessons are
-- reached from the explorer only, and video learning, which lists chapters 11 to 50,
-- leaves them out. Chapter numbers are unique across maps: the course tree keys them.

insert into lecciones (N_leccion, N_capitulo, nombre_leccion, tipo, nombre_fichero1, nombre_fichero2, N_leccion_viene, N_capitulo_viene, codigo_wav, X, Y, presentacion) values
  (0,    0,  'Introducción',                 0,  'video\intro.avi',          null,                       0,  0,  null, 0,   0,   0),
  (1,    0,  'Mapa principal',               1,  'mapas\principal.bmp',      'mapas\principal_mascara.bmp', 0, 0, null, null, null, 0),
  (2,    10, 'Bienvenida al curso',          3,  'video\intro.avi',          null,                       1,  10, null, 170, 110, 0),
  (10,   11, 'Los saludos',                  4,  'sonidos\saludos.wav',      null,                       1,  11, 1,    null, null, 0),
  (11,   11, 'Presentarse',                  3,  'video\presentarse.avi',    null,                       1,  11, null, 170, 110, 0),
  (20,   12, 'La familia',                   5,  null,                       null,                       1,  12, null, null, null, 0),
  (30,   13, 'La hora y los días',           6,  null,                       null,                       1,  13, null, null, null, 0),
  (40,   14, 'Fotos de viaje',               7,  null,                       null,                       1,  14, null, null, null, 0),
  (50,   15, 'Conversación en el café',      12, 'video\cafe.avi',           null,                       1,  15, null, 40,  60,  1),
  (51,   15, 'En la estación',               12, 'video\estacion.avi',       null,                       1,  15, null, 40,  60,  0),
  (60,   16, 'La ciudad',                    1,  'mapas\ciudad.bmp',         'mapas\ciudad_mascara.bmp', 1,  16, null, null, null, 0),
  (61,   21, 'En el mercado',                4,  'sonidos\mercado.wav',      null,                       60, 21, 2,    null, null, 0),
  (62,   22, 'Tiendas y señales',            5,  null,                       null,                       60, 22, null, null, null, 0),
  (1400, 51, 'Repaso: los saludos',          4,  'sonidos\saludos.wav',      null,                       1,  51, 1,    null, null, 0),
  (1500, 17, 'Prueba final', 14, 'sonidos\prueba_intro.wav', 'sonidos\prueba_frases.wav',  1,  17, null, null, null, 0);

insert into capitulo (n_leccion, N_capitulo, nombre_capitulo) values
  (1, 10, 'Primeros pasos'),
  (1, 11, 'Saludos'),
  (1, 12, 'La familia'),
  (1, 13, 'El tiempo y la hora'),
  (1, 14, 'Viajes'),
  (1, 15, 'Conversaciones'),
  (1, 16, 'La ciudad'),
  (1, 17, 'Evaluación'),
  (1, 51, 'Repaso'),
  (60, 21, 'El mercado'),
  (60, 22, 'Las tiendas');

-- The home map's erase button (accion 16) is off on the city map.
insert into exclusiones (accion, leccion) values (16, 60);

insert into pantalla (codigo, objeto, identificativo, X, Y, bitmapreposo) values
  (1, 0, 0, 0, 0, null);

-- Screen sounds: the home map and the city map each have their own; every other screen
-- shares the lesson background. The carousel and video learning play their own track.
insert into sonidospantalla (codigopantalla, leccion, fondo, pulsacion, cambiopantalla) values
  (1,  1,  'sonidos\fondo_mapa.wav',      'sonidos\click.wav', 'sonidos\cambio.wav'),
  (1,  60, 'sonidos\fondo_ciudad.wav',    'sonidos\click.wav', 'sonidos\cambio.wav'),
  (3,  0,  'sonidos\fondo_lecciones.wav', 'sonidos\click.wav', 'sonidos\cambio.wav'),
  (4,  0,  null,                          'sonidos\click.wav', 'sonidos\cambio.wav'),
  (5,  0,  'sonidos\fondo_lecciones.wav', 'sonidos\click.wav', 'sonidos\cambio.wav'),
  (6,  0,  'sonidos\fondo_lecciones.wav', 'sonidos\click.wav', 'sonidos\cambio.wav'),
  (7,  0,  'sonidos\fondo_lecciones.wav', 'sonidos\click.wav', 'sonidos\cambio.wav'),
  (10, 0,  'sonidos\fondo_lecciones.wav', 'sonidos\click.wav', 'sonidos\cambio.wav'),
  (11, 0,  'sonidos\fondo_mapa.wav',      'sonidos\click.wav', 'sonidos\cambio.wav'),
  (12, 0,  null,                          'sonidos\click.wav', 'sonidos\cambio.wav'),
  (14, 0,  'sonidos\fondo_lecciones.wav', 'sonidos\click.wav', 'sonidos\cambio.wav');
