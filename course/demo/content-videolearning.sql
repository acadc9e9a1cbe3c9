-- The conversation screen (screen 12) and the phrases of its two lessons (50 and 51,
-- chapter 15). The pictures are made by media-videolearning.txt, whose button layout
-- this file repeats; the phrase times are the ones its video recipes measure.

-- Background, video size, subtitle boxes (English, Spanish, with nine-digit colours), title.
insert into pantalla (codigo, objeto, identificativo, X, Y, ancho, alto, bitmapreposo, bitmapactivable, bitmapactivo, accion, Font, tamanofont, colorfont) values
  (12, 0,  0, 0,   0,   0,   0,   'fondos\conversacion.bmp', null, null, 0, null, null, 0),
  (12, 3,  0, 0,   0,   320, 240, null, null, null, 0, null, null, 0),
  (12, 9,  1, 40,  310, 320, 46,  null, null, '255250230', 0, 'DejaVu Sans', 11, 0),
  (12, 9,  2, 40,  362, 320, 46,  null, null, '230245255', 0, 'DejaVu Sans', 11, 0),
  (12, 9,  3, 40,  20,  520, 30,  null, null, null, 0, 'DejaVu Sans', 14, 16777215),
  (12, 16, 0, 400, 60,  230, 290, 'iconos\va_nueva.ico', 'iconos\va_vista.ico', 'iconos\va_capitulo.ico', 0, 'DejaVu Sans', 9, 0),
  (12, 21, 0, 400, 60,  230, 290, null, null, null, 0, 'DejaVu Sans', 10, 0),
  (12, 22, 0, 400, 60,  230, 20,  null, null, '255255210', 0, 'DejaVu Sans', 10, 0),
  (12, 24, 0, 0,   0,   0,   0,   'botones\va_grabando.bmp', 'botones\va_grabando_apagado.bmp', null, 0, null, null, 0),
  (12, 2,  0, 40,  40,  0,   0,   'ayuda\conversacion.bmp', 'ayuda\conversacion.wav', null, 0, null, null, 0);

-- Buttons: lit picture (bitmapactivable) and rest picture (bitmapactivo) in the place the
-- background draws them; the record indicator (36) beside the side-panel buttons.
insert into pantalla (codigo, objeto, X, Y, bitmapactivable, bitmapactivo, accion) values
  (12, 5, 6, 432, 'botones\va_volver.bmp', 'botones\va_volver_activo.bmp', 15),
  (12, 5, 43, 432, 'botones\va_prueba.bmp', 'botones\va_prueba_activo.bmp', 14),
  (12, 5, 80, 432, 'botones\va_ayuda.bmp', 'botones\va_ayuda_activo.bmp', 23),
  (12, 5, 117, 432, 'botones\va_inicio.bmp', 'botones\va_inicio_activo.bmp', 7),
  (12, 5, 154, 432, 'botones\va_anterior.bmp', 'botones\va_anterior_activo.bmp', 10),
  (12, 5, 191, 432, 'botones\va_ver.bmp', 'botones\va_ver_activo.bmp', 5),
  (12, 5, 228, 432, 'botones\va_pausa.bmp', 'botones\va_pausa_activo.bmp', 6),
  (12, 5, 265, 432, 'botones\va_parar.bmp', 'botones\va_parar_activo.bmp', 11),
  (12, 5, 302, 432, 'botones\va_siguiente.bmp', 'botones\va_siguiente_activo.bmp', 9),
  (12, 5, 339, 432, 'botones\va_final.bmp', 'botones\va_final_activo.bmp', 8),
  (12, 5, 376, 432, 'botones\va_repetir.bmp', 'botones\va_repetir_activo.bmp', 39),
  (12, 5, 413, 432, 'botones\va_ingles.bmp', 'botones\va_ingles_activo.bmp', 27),
  (12, 5, 450, 432, 'botones\va_espanol.bmp', 'botones\va_espanol_activo.bmp', 26),
  (12, 5, 487, 432, 'botones\va_primera.bmp', 'botones\va_primera_activo.bmp', 28),
  (12, 5, 524, 432, 'botones\va_completa.bmp', 'botones\va_completa_activo.bmp', 24),
  (12, 5, 561, 432, 'botones\va_grabar.bmp', 'botones\va_grabar_activo.bmp', 37),
  (12, 5, 598, 432, 'botones\va_oir.bmp', 'botones\va_oir_activo.bmp', 38),
  (12, 5, 570, 16, 'botones\va_volumen.bmp', 'botones\va_volumen_activo.bmp', 4),
  (12, 5, 364, 310, 'botones\va_en_arriba.bmp', 'botones\va_en_arriba_activo.bmp', 32),
  (12, 5, 364, 334, 'botones\va_en_abajo.bmp', 'botones\va_en_abajo_activo.bmp', 31),
  (12, 5, 364, 362, 'botones\va_es_arriba.bmp', 'botones\va_es_arriba_activo.bmp', 30),
  (12, 5, 364, 386, 'botones\va_es_abajo.bmp', 'botones\va_es_abajo_activo.bmp', 29),
  (12, 5, 400, 356, 'botones\va_frases.bmp', 'botones\va_frases_activo.bmp', 33),
  (12, 5, 520, 356, 'botones\va_arbol.bmp', 'botones\va_arbol_activo.bmp', 35),
  (12, 5, 400, 392, 'botones\va_grabando.bmp', 'botones\va_grabando.bmp', 36),
  (12, 5, 430, 395, 'botones\va_pausa_frase.bmp', 'botones\va_pausa_frase_activo.bmp', 50),
  (12, 5, 463, 395, 'botones\va_seguir.bmp', 'botones\va_seguir_activo.bmp', 51),
  (12, 5, 496, 395, 'botones\va_bucle.bmp', 'botones\va_bucle_activo.bmp', 52),
  (12, 5, 529, 395, 'botones\va_lento.bmp', 'botones\va_lento_activo.bmp', 54),
  (12, 5, 562, 395, 'botones\va_muy_lento.bmp', 'botones\va_muy_lento_activo.bmp', 55),
  (12, 5, 595, 395, 'botones\va_sombra.bmp', 'botones\va_sombra_activo.bmp', 56);

-- The phrases; lesson 50's first row is its introduction, not listed (presentacion).
insert into video_apren (n_leccion, mseg, frase_en, frase_sp) values
  (50, 600, 'Welcome to the café. Listen to Ann and Tom.', 'Bienvenidos al café. Escucha a Ann y a Tom.'),
  (50, 5039, 'Good morning! A table for two, please.', '¡Buenos días! Una mesa para dos, por favor.'),
  (50, 9090, 'Of course. Here is the menu.', 'Claro. Aquí tiene la carta.'),
  (50, 12208, 'I would like a coffee with milk, please.', 'Querría un café con leche, por favor.'),
  (50, 15649, 'And for me, a cup of tea.', 'Y para mí, una taza de té.'),
  (50, 18504, 'Thank you very much!', '¡Muchas gracias!'),
  (51, 600, 'Excuse me, where does the train to the airport leave from, please?', 'Perdone, ¿de dónde sale el tren al aeropuerto, por favor?'),
  (51, 5855, 'It leaves from platform two.', 'Sale del andén dos.'),
  (51, 8682, 'What time is the next train?', '¿A qué hora sale el próximo tren?'),
  (51, 11442, 'At a quarter past ten.', 'A las diez y cuarto.'),
  (51, 13929, 'Thank you!', '¡Gracias!');
