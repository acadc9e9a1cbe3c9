-- The learner database (usrcurso.mdb): the only learner data the course keeps.

-- Lessons of the video-learning screen that the learner has visited.
create table lecciones_usuario (
  id      integer not null default 0,
  leccion integer not null,
  grabada integer not null default -1  -- true
);

-- Finished test attempts, one row each, made by the player when it keeps the first
-- attempt in a file (so that learner files made before it gain the table then):
--   intentos_test (id text primary key  -- the attempt's own id, a UUID
--                  alumno text          -- the learner
--                  leccion integer      -- the test's lesson
--                  fecha text           -- when it finished, UTC, ISO 8601
--                  puntos integer, maximo integer,
--                  porcentaje integer   -- whole per cent, as the result view shows it
--                  respuestas text)     -- answer per question, "1,3,0,4" (0: none)
-- The map's erase empties it with the register of visits.
