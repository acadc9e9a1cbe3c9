-- The set-up of the classroom server before courses were told apart, as servers in use
-- may still have it: tests bring such a server up to date with course/schema/classroom.sql.

-- The learners' records of a classroom on a PostgreSQL server (15 or later).
--
-- Run once, as the owner of the database the players will use (who must be allowed to
-- create roles), for instance:
--     createdb tamsel
--     psql -d tamsel -v ON_ERROR_STOP=1 -f /usr/share/tamsel/classroom.sql
-- Running it again changes nothing that is already there.
--
-- Two group roles are made: tamsel_alumno (learners) and tamsel_profesor (teachers).
-- Each learner logs in as himself, a role that is a member of tamsel_alumno:
--     create role ana login in role tamsel_alumno;
-- and reads and writes only his own rows; a teacher's login, a member of tamsel_profesor,
-- reads everyone's and writes nothing. Which rows are a learner's is decided by the
-- server (the login, current_user), never by what a player sends.

begin;

do $$
begin
  if not exists (select from pg_roles where rolname = 'tamsel_alumno') then
    create role tamsel_alumno nologin;
  end if;
  if not exists (select from pg_roles where rolname = 'tamsel_profesor') then
    create role tamsel_profesor nologin;
  end if;
end
$$;

create schema if not exists tamsel;
revoke all on schema tamsel from public;
grant usage on schema tamsel to tamsel_alumno, tamsel_profesor;

-- Lessons of the video-learning screen a learner has visited: one row per learner and lesson.
create table if not exists tamsel.lecciones_usuario (
  alumno  text        not null default current_user,
  leccion integer     not null,
  fecha   timestamptz not null default now(),  -- when the server received the visit
  primary key (alumno, leccion)
);

-- Finished test attempts: one row per attempt, under the id the player gave it.
create table if not exists tamsel.intentos_test (
  id         uuid        primary key,
  alumno     text        not null default current_user,
  leccion    integer     not null,
  fecha      timestamptz not null,  -- when the learner finished it
  puntos     integer     not null,
  maximo     integer     not null,
  porcentaje integer     not null,  -- whole per cent, as the test's result view shows it
  respuestas text        not null   -- the answer chosen on each question: "1,3,0,4" (0: none)
);
create index if not exists intentos_test_alumno on tamsel.intentos_test (alumno, leccion);

alter table tamsel.lecciones_usuario enable row level security;
alter table tamsel.intentos_test enable row level security;

drop policy if exists alumno_propias on tamsel.lecciones_usuario;
create policy alumno_propias on tamsel.lecciones_usuario for all to tamsel_alumno
  using (alumno = current_user) with check (alumno = current_user);
drop policy if exists profesor_lee on tamsel.lecciones_usuario;
create policy profesor_lee on tamsel.lecciones_usuario for select to tamsel_profesor using (true);

drop policy if exists alumno_propios on tamsel.intentos_test;
create policy alumno_propios on tamsel.intentos_test for all to tamsel_alumno
  using (alumno = current_user) with check (alumno = current_user);
drop policy if exists profesor_lee on tamsel.intentos_test;
create policy profesor_lee on tamsel.intentos_test for select to tamsel_profesor using (true);

revoke all on tamsel.lecciones_usuario, tamsel.intentos_test from public;
grant select, insert, delete on tamsel.lecciones_usuario, tamsel.intentos_test to tamsel_alumno;
grant select on tamsel.lecciones_usuario, tamsel.intentos_test to tamsel_profesor;

commit;
