-- The test (screen 14): lesson 1500 (in content.sql, reached from the home map's chapter
-- 17 "Evaluación"), its ten questions about the English of the demo lessons, and the
-- screen's rows. The pictures are drawn by the "testscreen" recipe of media-test.txt; the
-- places here are the ones it draws (tst_demo_media checks that they agree).

-- The questions, in the order the test asks them. Each right answer earns 10 points, and
-- it is always one of the three texts: the fourth button, "Ninguna de las anteriores"
-- (drawn on the screen, as the table has no text for it), is never right here, since its
-- points would not count towards the maximum (90) and a run without a mistake would score
-- more than 100 %. Question 10 asks an opinion and earns nothing whatever the answer.
insert into test (n_leccion, textopregunta, textorespuesta1, textorespuesta2, textorespuesta3,
                  puntuacionrespuesta1, puntuacionrespuesta2, puntuacionrespuesta3, puntuacionrespuesta4) values
  (1500, 'Por la mañana saludas a tu profesora. ¿Qué le dices?',
         'Good night!', 'Good morning!', 'Good evening!', 0, 10, 0, 0),
  (1500, 'Son las cuatro de la tarde y te encuentras con un amigo. ¿Cómo lo saludas?',
         'Good afternoon!', 'Good night!', 'Goodbye!', 10, 0, 0, 0),
  (1500, 'Te preguntan «How are you?». ¿Qué respondes?',
         'My name is Tom.', 'I am from London.', 'I am fine, thank you.', 0, 0, 10, 0),
  (1500, '¿Qué quiere decir «Good night! Sleep well.»?',
         '¡Buenas tardes! ¿Qué tal?', '¡Buenas noches! Que duermas bien.', '¡Buenos días! Hasta luego.', 0, 10, 0, 0),
  (1500, 'En el vídeo, Tom dice «My name is Tom». ¿Qué nos cuenta?',
         'Cómo se llama.', 'Cuántos años tiene.', 'Dónde vive.', 10, 0, 0, 0),
  (1500, '¿De dónde es Tom, el profesor de inglés?',
         'From Madrid.', 'From New York.', 'From London.', 0, 0, 10, 0),
  (1500, 'En el mercado quieres comprar manzanas. ¿Qué dices?',
         'I would like some apples, please.', 'How much is it?', 'Welcome to the market.', 10, 0, 0, 0),
  (1500, 'La frase «How much is it?» sirve para preguntar…',
         'la hora.', 'el precio.', 'el camino.', 0, 10, 0, 0),
  (1500, '¿Cómo te despides de alguien hasta el día siguiente?',
         'Good morning!', 'Nice to meet you!', 'Good night!', 0, 0, 10, 0),
  (1500, 'Para terminar (no puntúa): ¿qué lección te ha gustado más?',
         'Los saludos.', 'Presentarse.', 'En el mercado.', 0, 0, 0, 0);

-- Screen 14. Background: a black window around it.
insert into pantalla (codigo, objeto, identificativo, X, Y, bitmapreposo) values
  (14, 0, 0, 0, 0, 'fondos\prueba.bmp');

-- Buttons (kind 5), by identificativo: 1 to 4 the answer buttons, whose pressed picture
-- (the green tick) is what the result view shows on the right answer; 6 the result
-- button; 5 a button of the pop-up panel, placed on the panel; 0 any other button.
-- bitmapactivable is the lit look, bitmapactivo the look while pressed.
insert into pantalla (codigo, objeto, identificativo, X, Y, bitmapactivable, bitmapactivo, accion) values
  (14, 5, 1, 24,  154, 'prueba\respuesta_1.bmp', 'prueba\correcta.bmp',          34),
  (14, 5, 2, 24,  208, 'prueba\respuesta_2.bmp', 'prueba\correcta.bmp',          34),
  (14, 5, 3, 24,  262, 'prueba\respuesta_3.bmp', 'prueba\correcta.bmp',          34),
  (14, 5, 4, 24,  316, 'prueba\respuesta_4.bmp', 'prueba\correcta.bmp',          34),
  (14, 5, 0, 8,   4,   'prueba\menu.bmp',        'prueba\menu_pulsado.bmp',      37),
  (14, 5, 0, 164, 375, 'prueba\anterior.bmp',    'prueba\anterior_pulsado.bmp',  35),
  (14, 5, 0, 214, 375, 'prueba\siguiente.bmp',   'prueba\siguiente_pulsado.bmp', 36),
  (14, 5, 6, 461, 375, 'prueba\resultado.bmp',   'prueba\resultado_pulsado.bmp', 40),
  -- The bar at the bottom, in the maps' places: back, the introduction again, the
  -- sentences of the course, sound, volume (the box opens above it), glossary, explorer.
  (14, 5, 0, 13,  432, 'prueba\volver.bmp',      'prueba\volver_pulsado.bmp',    15),
  (14, 5, 0, 75,  432, 'prueba\escuchar.bmp',    'prueba\escuchar_pulsado.bmp',  42),
  (14, 5, 0, 137, 432, 'prueba\frases.bmp',      'prueba\frases_pulsado.bmp',    43),
  (14, 5, 0, 199, 432, 'prueba\sonido.bmp',      'prueba\sonido_pulsado.bmp',    45),
  (14, 5, 0, 261, 432, 'prueba\volumen.bmp',     'prueba\volumen_pulsado.bmp',   44),
  (14, 5, 0, 323, 432, 'prueba\glosario.bmp',    'prueba\glosario_pulsado.bmp',  41),
  (14, 5, 0, 385, 432, 'prueba\explorar.bmp',    'prueba\explorar_pulsado.bmp',  28),
  -- The panel's buttons: the big picture, and leaving the course at once.
  (14, 5, 5, 10,  28,  'prueba\panel_vista.bmp', null,                           38),
  (14, 5, 5, 10,  68,  'prueba\panel_salir.bmp', null,                           39);

-- Labels (kind 9), by identificativo: 1 to 4 the answer texts (the fourth never gets one),
-- 5 the question, 6 the score in per cent (shown by the result view), 7 the counter.
insert into pantalla (codigo, objeto, identificativo, X, Y, ancho, alto, Font, tamanofont, colorfont) values
  (14, 9, 1, 82,  162, 528, 28, 'DejaVu Sans', 12, 0),
  (14, 9, 2, 82,  216, 528, 28, 'DejaVu Sans', 12, 0),
  (14, 9, 3, 82,  270, 528, 28, 'DejaVu Sans', 12, 0),
  (14, 9, 4, 82,  324, 528, 28, 'DejaVu Sans', 12, 0),
  (14, 9, 5, 76,  62,  532, 72, 'DejaVu Sans', 14, 0),
  (14, 9, 6, 274, 380, 180, 30, 'DejaVu Sans', 17, 0),
  (14, 9, 7, 100, 381, 60,  28, 'DejaVu Sans', 13, 0);

-- The pop-up panel's picture (kind 27) and the marker of the learner's choice (kind 31).
insert into pantalla (codigo, objeto, identificativo, X, Y, bitmapreposo) values
  (14, 27, 0, 0, 0, 'prueba\panel.bmp'),
  (14, 31, 0, 0, 0, 'prueba\marca.bmp');
