-- query: borrar
-- Erases the learner's work: the register of visited lessons.
delete from lecciones_usuario
