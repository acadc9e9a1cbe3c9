-- The learner database (usrcurso.mdb): the only learner data the course keeps.

-- Lessons of the video-learning screen that the learner has visited.
create table lecciones_usuario (
  id      integer not null default 0,
  leccion integer not null,
  grabada integer not null default -1  -- true
);
